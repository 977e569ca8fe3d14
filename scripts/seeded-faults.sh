#!/usr/bin/env bash
# Measures how sharp the test suite is: applies each seeded fault of
# scripts/seeded-faults.txt to the sources in turn, rebuilds its preset
# incrementally, runs that preset's tests (stopping at the first failure) and
# counts the fault as caught when the build or any test fails.
#
#   scripts/seeded-faults.sh [--preset linux|windows] [--timeout SECONDS] [ID...]
#   (FAULT_LIST=other.txt reads another list; FAULT_TIMEOUT sets the default timeout)
#
# A fault is found by its text anywhere under src/, not by a file name, so the
# list survives code moving between files; text found other than exactly once
# makes the fault "not applicable". Every changed file is restored (also on
# Ctrl-C); its new time stamp makes the next build compile it again. Builds of
# the presets used must exist or are configured here. Logs stay in a folder
# named at the end.
set -uo pipefail
cd "$(dirname "$0")/.."

list=${FAULT_LIST:-scripts/seeded-faults.txt}
only_preset=""
limit=${FAULT_TIMEOUT:-900}
ids=()
while [ $# -gt 0 ]; do
  case "$1" in
    --preset) only_preset=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) ids+=("$1"); shift ;;
  esac
done

logs=$(mktemp -d /tmp/voxra-faults.XXXXXX)
target=""
backup="$logs/original"
restore() {
  if [ -n "$target" ]; then
    cat "$backup" > "$target"
    target=""
  fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

# locate SEARCH: the one file under src/ holding SEARCH, else "n/a: found N times".
# apply FILE SEARCH REPLACEMENT: replaces it. A "⏎" in either text is a line break.
edit() {
  python3 - "$@" <<'EOF'
import os, sys
mode, args = sys.argv[1], [a.replace("\u23ce", "\n") for a in sys.argv[2:]]
if mode == "locate":
    hits = []
    for root, dirs, files in os.walk("src"):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(root, name)
            with open(path, encoding="utf-8", errors="surrogateescape") as f:
                hits += [path] * f.read().count(args[0])
    print(hits[0] if len(hits) == 1 else "n/a: found %d times" % len(hits))
else:
    path, search, replacement = args
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(text.replace(search, replacement, 1))
EOF
}

selected() {
  [ ${#ids[@]} -eq 0 ] && return 0
  local i
  for i in "${ids[@]}"; do [ "$i" = "$1" ] && return 0; done
  return 1
}

total=0 caught=0 missing=0
rows=()
# Tabs become unit separators first: read would merge adjacent tabs (an empty
# replacement) as it merges all white space.
while IFS=$'\037' read -r id preset search replacement description; do
  case "$id" in ''|'#'*) continue ;; esac
  [ -n "$only_preset" ] && [ "$preset" != "$only_preset" ] && continue
  selected "$id" || continue
  total=$((total + 1))
  file=$(edit locate "$search")
  if [ "${file#n/a}" != "$file" ]; then
    missing=$((missing + 1))
    rows+=("$(printf '%-28s %-8s %-15s %5s  %s' "$id" "$preset" "not applicable" "-" "${file#n/a: }")")
    continue
  fi
  if [ ! -f "build/$preset/build.ninja" ]; then
    nice -n 10 cmake --preset "$preset" >"$logs/configure-$preset.log" 2>&1
  fi
  start=$SECONDS
  cp "$file" "$backup"
  target=$file
  edit apply "$file" "$search" "$replacement"
  log="$logs/$id.log"
  if ! timeout "$limit" nice -n 10 cmake --build --preset "$preset" >"$log" 2>&1; then
    result="caught (build)"
    detail=$(grep -m1 -E 'error|FAILED' "$log" | cut -c1-60)
  else
    timeout "$limit" ./scripts/with-display.sh nice -n 10 \
      ctest --preset "$preset" --stop-on-failure >>"$log" 2>&1
    status=$?
    if [ $status -eq 0 ]; then
      result="survived"
      detail=$description
    elif [ $status -eq 124 ]; then
      result="caught (timeout)"
      detail="no result within ${limit}s"
    else
      result="caught"
      detail=$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*/\1/p' "$log" | head -1)
      [ -n "$detail" ] || detail="ctest exit $status"
    fi
  fi
  restore
  case "$result" in caught*) caught=$((caught + 1)) ;; esac
  rows+=("$(printf '%-28s %-8s %-15s %4ds  %s' "$id" "$preset" "$result" $((SECONDS - start)) "$detail")")
  echo "${rows[-1]}" >&2
done < <(tr '\t' '\037' < "$list")

printf '%-28s %-8s %-15s %5s  %s\n' fault preset result time "first failure / description"
printf '%s\n' "${rows[@]}"
echo "logs: $logs"
echo "caught: $caught of $total ($missing not applicable)"
