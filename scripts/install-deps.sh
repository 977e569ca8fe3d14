#!/usr/bin/env bash
# Installs what a fresh Debian 12 or Ubuntu machine lacks to build, run and
# test Voxra. Idempotent: when everything is there it only checks and returns.
#   scripts/install-deps.sh        everything (the test command's needs)
#   scripts/install-deps.sh web    only what building and serving the page needs
set -euo pipefail

web=(cmake ninja-build python3 emscripten uglifyjs chromium)
packages=("${web[@]}"
  build-essential pkg-config git
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64 wine wine64
  xvfb xauth x11-utils x11-xserver-utils xdotool libx11-dev libxtst-dev
  firefox-esr webkit2gtk-driver
  clang libclang-rt-14-dev
  libstb-dev imagemagick python3-xlib zip unzip valgrind
)
case "${1:-all}" in
  all) ;;
  web) packages=("${web[@]}") ;;
  *) echo "usage: $0 [web]" >&2; exit 2 ;;
esac
# Emscripten runs on node; a node that is already there (nodesource, say) is
# kept. The page's test drives Chromium, Firefox ESR and WebKitGTK (MiniBrowser,
# with the WebKitGTK library webkit2gtk-driver needs) from python3 alone.
command -v node >/dev/null || packages+=(nodejs)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
