#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix private to this checkout.
# The prefix is created once, under a lock, so parallel tests do not race.
set -e
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VOXRA_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/.voxra-ready" ]; then
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.voxra-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.voxra-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
