#!/usr/bin/env bash
# The measured-performance suite, one command: builds the native game and the
# Windows game with their benchmark programs (build/perf-suite-linux,
# build/perf-suite-windows), then measures both, each on private Xvfb
# servers, the Windows build under Wine. Every figure is printed beside its
# baseline from the same run, with the ratio; the summary tables close the
# output. Not part of the test run: it takes about ten minutes.
#
#   scripts/bench-all.sh [--native-only | --windows-only] [--seconds S] [--trials N]
#
# Instruction counts (callgrind, from install-deps.sh) are added for the native
# build.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
./scripts/install-deps.sh
native=1
windows=1
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --native-only) windows=0 ;;
    --windows-only) native=0 ;;
    --seconds|--trials) extra+=("$1" "$2"); shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
  shift
done
python=/usr/bin/python3
[ -x "$python" ] || python=python3

build() {  # preset dir targets...
  local preset=$1 dir=$2
  shift 2
  cmake --preset "$preset" -B "$dir" -DVOXRA_BENCH=ON -DVOXRA_TESTS=OFF >/dev/null
  cmake --build "$dir" -j2 --target "$@"
}

status=0
reports=()
if [ "$native" = 1 ]; then
  build linux build/perf-suite-linux voxra perf_bench perf_reference dib_bench
  callgrind=()
  command -v valgrind >/dev/null && callgrind=(--callgrind)
  "$python" bench/perf/suite.py --build build/perf-suite-linux "${callgrind[@]}" \
    "${extra[@]}" --title "native build (SDL2)" | tee build/perf-suite-linux/report.txt \
    || status=1
  reports+=(build/perf-suite-linux/report.txt)
fi
if [ "$windows" = 1 ]; then
  build windows build/perf-suite-windows voxra perf_bench perf_reference
  "$python" bench/perf/suite.py --build build/perf-suite-windows --wine \
    --wineprefix "$root/build/perf-suite-windows/wineprefix" "${extra[@]}" \
    --title "Windows build (Win32) under Wine" | tee build/perf-suite-windows/report.txt \
    || status=1
  reports+=(build/perf-suite-windows/report.txt)
fi
echo
echo "######## summary"
for r in "${reports[@]}"; do
  sed -n '/^== /,$p' "$r"
  echo
done
exit $status
