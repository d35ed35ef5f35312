#!/usr/bin/env bash
# Installs what is missing, builds Вирмея and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600
