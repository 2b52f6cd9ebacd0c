#!/usr/bin/env bash
# Installs what is missing, builds, and opens the dialog.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure-packages.sh
ensure_packages

build=${VELTRANE_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
if [ ! -x "$build/app/veltrane" ]; then
  echo "The dialog application was not built." >&2
  exit 1
fi
exec "$build/app/veltrane" "$@"
