#!/usr/bin/env bash
# Builds the DIB loader benchmark (Release, build/bench) and runs it: the
# loader beside stb_image and SDL on the same files in the same run.
# Extra arguments go to Google Benchmark (e.g. --benchmark_repetitions=3).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXRA_BENCH=ON \
  -DVOXRA_TESTS=OFF -DVOXRA_WERROR=ON >/dev/null
cmake --build build/bench -j2 --target dib_bench
./build/bench/dib_bench --benchmark_min_time=0.5 "$@"
