#!/usr/bin/env bash
# Builds the DIB fuzzer (the linux-asan preset: clang, libFuzzer, ASan and
# UBSan) and runs it for a bounded time from the generated bitmap corpus.
# Exits non-zero only when the build fails or the fuzzer finds a crash, leak,
# sanitizer report or wrong message count (the reproducer is left in
# build/fuzz/).
#   FUZZ_SECONDS  run time in seconds (default 45)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=build/fuzz
seconds=${FUZZ_SECONDS:-45}
[ -f build/linux-asan/build.ninja ] || cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan --target dib_fuzz

# Seeds: the corpus the preset generated, copied into a fresh folder the
# fuzzer may add to.
rm -rf "$out"
mkdir -p "$out"
cp -r build/linux-asan/corpus "$out/corpus"
rm "$out/corpus/MANIFEST.tsv"

echo "fuzz: running for ${seconds} s from $(ls "$out/corpus" | wc -l) seed files"
status=0
# Inputs of up to 4 KiB: the target converts pictures of up to 16 KiB of
# pixels, which need no more. No allocation may reach 64 MiB: the loader
# allocates what the picture needs, and the target keeps that small.
build/linux-asan/dib_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=64 \
  -timeout=20 -max_len=4096 -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" \
  >"$out/fuzz.log" 2>&1 || status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/fuzz.log" | grep -o '[0-9]*$' || true)
cover=$(grep -E '^#[0-9]+.*DONE' "$out/fuzz.log" | grep -o 'cov: [0-9]* ft: [0-9]*' || true)
echo "fuzz: ${runs:-?} executions in ${seconds} s (${cover:-no coverage figure}, $(ls "$out/corpus" | wc -l) inputs kept)"
if [ "$status" -ne 0 ]; then
  echo "fuzz: FINDING (exit $status); log in $out/fuzz.log:"
  tail -n 40 "$out/fuzz.log"
  exit 1
fi
echo "fuzz: no findings"
