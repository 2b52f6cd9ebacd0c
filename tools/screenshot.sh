#!/usr/bin/env bash
# Draws the main dialog as it looks at start-up into docs/dialog.png.
# Usage: tools/screenshot.sh [build-dir]   (default: build)
# The dialog is rendered off screen, so no display is needed. It is started in
# /tmp so that the output path it shows does not depend on where this runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${VELTRANE_BUILD_DIR:-build}}
case $build in /*) ;; *) build=$root/$build ;; esac

if [ ! -d "$build" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target veltrane-assets -j"$(nproc)" >/dev/null

mkdir -p "$root/docs"
cd /tmp
QT_QPA_PLATFORM=offscreen "$build/app/veltrane-assets" --screenshot "$root/docs/dialog.png" 2>/dev/null
echo "wrote $root/docs/dialog.png"
