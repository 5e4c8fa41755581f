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
# Beats from the music: a clip whose sound is a kick at 100 BPM from 0.42 s, found by --beats-from audio; the
# sheet shows eight of the beats found, each at the height of its burst.
ffmpeg -v error -y -f lavfi -i testsrc=size=320x180:rate=30 -f lavfi \
  -i "aevalsrc=0.9*sin(2*PI*(50+90*exp(-30*mod(t-0.42\,0.6)))*mod(t-0.42\,0.6))*exp(-12*mod(t-0.42\,0.6))*gte(t\,0.42):s=44100:d=8" \
  -t 8 -c:v libx264 -pix_fmt yuv420p -c:a aac "$work/music.mp4"
"$pw" render -i "$work/music.mp4" --beats-from audio --progress none --set "Slice Manual/Auto=Auto" \
  --set "RGB Separation Manual/Auto=Auto" --set "Scroll Manual/Auto=Auto" --set Seed=3 \
  --contact-sheet "$docs/music-beats-sheet.png" --sheet-frames 8 --sheet-columns 4 --sheet-width 160
ls -l "$docs"/*.png
