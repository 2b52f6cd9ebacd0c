#!/usr/bin/env bash
# Renders a fixed set of files with veltrane-cli, seeded at a fixed time, into
# a directory: every signal at every width, long jobs that cross the engine's
# threads and the tone's correction paths, and corner cases. Each file's
# summary line goes into summaries.txt beside them. Two directories rendered
# on different machines or with different kernels must be identical.
#
#   scripts/render-matrix.sh OUTDIR CLI
#
# CLI may be a wrapper that runs the program under an emulator (a cross
# build's veltrane-cli-emulated).
set -euo pipefail
out=$1 cli=$(realpath "$2")
mkdir -p "$out"
: > "$out/summaries.txt"

render() {  # name, arguments...
  local name=$1
  shift
  (cd "$out" && "$cli" "$@" --seed-time 1700000000 -o "$name.wav" >>summaries.txt 2>&1) ||
    { echo "render-matrix: $name failed" >&2; return 1; }
}

for signal in sine sweep pink white; do
  for bits in 16 24 32; do
    render "$signal-$bits" "$signal" -d 1 -r 48000 -b "$bits"
  done
done
# Long jobs: a corrected tone kept from its first pass, a longer one computed
# twice, a dithered tone and both noises over many blocks.
render long-sine-10s sine --frequency 1000.5 -d 10 -r 96000 -b 24
render long-sine-16bit sine --note A4 -d 12 -r 96000 -b 16
render long-white white -d 12 -r 96000 -b 32
render long-pink pink -d 12 -r 44100 -b 24
# Corners: range edges, half the sample rate, the deepest attenuation (the
# dither at its largest share), no attenuation, a falling sweep over the whole
# range, the shortest noise.
render edge-low sine --frequency 10 -d 0.2 -r 96000 -b 32
render edge-nyquist sine --frequency 22050 -d 0.5 -r 44100 -b 16
render edge-90db sine --note B8 -a 90 -d 0.5 -b 16
render edge-0db sine --note C0 -a 0 -d 1 -r 44100 -b 32
render edge-sweep-down sweep --start 22050 --end 10 -d 0.1 -r 96000 -b 24
render edge-white-0db white -a 0 -d 0.1 -b 16
render edge-pink-90db pink -a 90 -d 0.1 -r 96000 -b 16
