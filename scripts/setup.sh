#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the missing Debian packages, configures and builds.
# Usage: scripts/setup.sh [extra cmake arguments]; BUILD_DIR overrides the build folder (build/).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core python3 poppler-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Устанавливаю недостающие пакеты: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=${BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja "$@" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
