#!/usr/bin/env bash
# Installs what is missing, builds Вирмея and starts it. Arguments go to the program (a photo to open).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
if [ -x build/virmeya ]; then
  exec build/virmeya "$@"
else
  exec build/virmeya-cli --help
fi
