#!/usr/bin/env bash
# Makes the README's pictures with the renderer itself: contact sheets of the demo and of each treatment alone.
# Usage: bash docs/make-pictures.sh [path/to/pulsewarper]   (default: build/cli/pulsewarper)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
pw="${1:-$root/build/cli/pulsewarper}"
docs="$root/docs"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The demo: every treatment on Auto, twelve frames across the clip.
"$pw" demo --out "$work/demo" --progress none >/dev/null
"$pw" render "$work/demo/pulsewarper-demo.json" --progress none --output "$work/demo/unused.%04d.png" \
  --frames 0-191 --contact-sheet "$docs/demo-sheet.png" --sheet-frames 8 --sheet-columns 4 --sheet-width 128
rm -f "$work"/demo/unused.*.png

# Each treatment alone, on every beat (Manual, checkbox on), at 60 BPM: four frames of one beat show the
# attack, the sustain and the release of the envelope.
for t in Scroll Slice Stretch "RGB Separation" Color Glow Blur Mosaic Noise Time; do
  name="$(echo "$t" | tr 'A-Z ' 'a-z-')"
  "$pw" render --input pattern:320x180 --length 60 --frames 4-26 --progress none --set BPM=60 --set Seed=5 \
    --set "$t Manual=on" --contact-sheet "$docs/treatment-$name.png" --sheet-frames 4 --sheet-columns 4 \
    --sheet-width 96
done
ls -l "$docs"/*.png
