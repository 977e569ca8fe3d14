#!/usr/bin/env bash
# The measured-performance suite, one command: builds the native game and the
# Windows game with their benchmark programs (build/perf-suite-linux,
# build/perf-suite-windows), then measures both, each on private Xvfb
# servers, the Windows build under Wine. Every figure is printed beside its
# baseline from the same run, with the ratio; the summary tables close the
# output, with native against Windows figure by figure. The full run takes
# about ten minutes; any figure missing makes it exit non-zero.
#
#   scripts/bench-all.sh [--native-only | --windows-only] [--seconds S] [--trials N] [--starts N]
#   scripts/bench-all.sh --smoke
#
# Instruction counts (callgrind, from install-deps.sh) are added for the native
# build.
#
# --smoke checks that every figure of both builds is still produced, not its
# value: one second of pacing, one clear latency trial, short loader and
# callgrind runs. It builds the benchmark programs in the test presets' folders
# (build/linux, build/windows, adding VOXRA_BENCH=ON) and uses their Wine
# prefix (build/wineprefix), so after scripts/test-all.sh's builds it adds
# well under a minute.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
./scripts/install-deps.sh
native=1
windows=1
smoke=0
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --native-only) windows=0 ;;
    --smoke) smoke=1 ;;
    --windows-only) native=0 ;;
    --seconds|--trials|--starts) extra+=("$1" "$2"); shift ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
  shift
done
python=/usr/bin/python3
[ -x "$python" ] || python=python3
export PYTHONPATH="$PWD/tools${PYTHONPATH:+:$PYTHONPATH}"  # the drivers of tools/drive

if [ "$smoke" = 1 ]; then
  linux_dir=build/linux windows_dir=build/windows wineprefix=$root/build/wineprefix
  tests=()
  extra+=(--smoke)
else
  linux_dir=build/perf-suite-linux windows_dir=build/perf-suite-windows
  wineprefix=$root/build/perf-suite-windows/wineprefix
  tests=(-DVOXRA_TESTS=OFF)
fi

build() {  # preset dir targets...
  local preset=$1 dir=$2
  shift 2
  cmake --preset "$preset" -B "$dir" -DVOXRA_BENCH=ON "${tests[@]}" >/dev/null
  cmake --build "$dir" -j2 --target "$@"
}

callgrind=()
command -v valgrind >/dev/null && callgrind=(--callgrind)
suite_native() {
  "$python" bench/perf/suite.py --build "$linux_dir" "${callgrind[@]}" "${extra[@]}" \
    --title "native build (SDL2)"
}
suite_windows() {
  "$python" bench/perf/suite.py --build "$windows_dir" --wine --wineprefix "$wineprefix" \
    "${extra[@]}" --title "Windows build (Win32) under Wine"
}

status=0
reports=()
runs=()
[ "$native" = 1 ] && runs+=(native) && build linux "$linux_dir" voxra perf_bench perf_reference dib_bench
[ "$windows" = 1 ] && runs+=(windows) && build windows "$windows_dir" voxra perf_bench perf_reference
for run in "${runs[@]}"; do
  [ "$run" = native ] && dir=$linux_dir || dir=$windows_dir
  rm -f "$dir/figures.txt"
  reports+=("$dir/report.txt")
  if [ "$smoke" = 1 ]; then
    # Values do not count here: both builds at once, each on its own servers.
    "suite_$run" >"$dir/report.txt" 2>&1 &
  else
    "suite_$run" 2>&1 | tee "$dir/report.txt" || status=1
  fi
done
if [ "$smoke" = 1 ]; then
  for job in $(jobs -p); do wait "$job" || status=1; done
  cat "${reports[@]}"
fi
echo
echo "######## summary"
for r in "${reports[@]}"; do
  sed -n '/^== /,$p' "$r"
  echo
done
if [ "$native" = 1 ] && [ "$windows" = 1 ]; then
  "$python" bench/perf/suite.py --compare "$linux_dir/figures.txt" "$windows_dir/figures.txt" \
    || status=1
fi
exit $status
