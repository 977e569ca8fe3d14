#!/usr/bin/env bash
# Builds the DIB fuzzer (clang, libFuzzer, ASan and UBSan) in build/fuzz and
# runs it for a bounded time from the generated bitmap corpus. Exits non-zero only
# when the build fails or the fuzzer finds a crash, leak, sanitizer report or
# wrong message count (the reproducer is left in build/fuzz/).
#   FUZZ_SECONDS  run time in seconds (default 45)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=build/fuzz
seconds=${FUZZ_SECONDS:-45}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
mkdir -p "$out"

echo "fuzz: building with $cxx"
# The target and everything the loader links (the portable code and the null
# layer), each file compiled on its own so both cores work.
flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -Wall -Wextra -Werror -Isrc -Itests/support
       -DVOXRA_PATH_SEPARATOR=47)
rm -rf "$out/obj"
mkdir -p "$out/obj"
sources=(fuzz/dib_fuzz.cpp tests/support/null_platform.cpp src/cube/*.cpp src/app/*.cpp
         src/render/*.cpp src/image/*.cpp src/platform/*.cpp)
printf '%s\n' "${sources[@]}" | xargs -P 2 -I{} sh -c \
  '"$0" "$@" -c {} -o "'"$out"'/obj/$(echo {} | tr / _).o"' "$cxx" "${flags[@]}"
"$cxx" "${flags[@]}" "$out"/obj/*.o -lGL -lGLU -o "$out/dib_fuzz"

# Seeds: the generated corpus, written into a fresh folder the fuzzer may add to.
rm -rf "$out/corpus"
python3 tools/make_bmp_corpus.py "$out/corpus"
rm "$out/corpus/MANIFEST.tsv"

echo "fuzz: running for ${seconds} s from $(ls "$out/corpus" | wc -l) seed files"
status=0
TMPDIR=$out "$out/dib_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 \
  -max_len=70000 -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" \
  >"$out/fuzz.log" 2>&1 || status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/fuzz.log" | grep -o '[0-9]*$' || true)
echo "fuzz: ${runs:-?} executions in ${seconds} s"
if [ "$status" -ne 0 ]; then
  echo "fuzz: FINDING (exit $status); log in $out/fuzz.log:"
  tail -n 40 "$out/fuzz.log"
  exit 1
fi
echo "fuzz: no findings"
