#!/usr/bin/env bash
# Installs what is missing, builds the three presets and runs every test,
# under an X display (Xvfb when there is none). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
./scripts/install-deps.sh

presets=(${VOXRA_PRESETS:-linux linux-asan windows})
for p in "${presets[@]}"; do
  echo "== configure and build: $p"
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
done

status=0
summary=()
for p in "${presets[@]}"; do
  echo "== test: $p"
  start=$(date +%s)
  if ./scripts/with-display.sh ctest --preset "$p"; then r=ok; else r=FAILED; status=1; fi
  summary+=("$p: $r in $(( $(date +%s) - start )) s")
done

if [ -x scripts/fuzz.sh ] && [ -z "${VOXRA_SKIP_FUZZ:-}" ]; then
  echo "== fuzz"
  ./scripts/fuzz.sh || { status=1; summary+=("fuzz: FAILED"); }
fi

printf '%s\n' "${summary[@]}"
exit $status
