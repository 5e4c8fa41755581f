#!/usr/bin/env bash
# Frames per second of the command-line renderer on a 10-second 1080p clip, at one thread and at all cores, next
# to ffmpeg running a comparable filter chain (scroll, rgbashift, boxblur, noise) on the same clip with the same
# thread count. Both decode the same H.264 file and discard the result; the renderer runs Scroll, RGB
# Separation, Blur and Noise on every beat (Manual, checkboxes on).
# Usage: bash cli/bench/renderer_vs_ffmpeg.sh [path/to/pulsewarper]   (default: build/cli/pulsewarper)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
pw="${1:-$root/build/cli/pulsewarper}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
frames=300
cores="$(nproc)"

ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" -c:v libx264 -crf 18 \
  -pix_fmt yuv420p "$clip"

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); awk "BEGIN { print $t1 - $t0 }"; }
fps() { awk "BEGIN { printf \"%.1f\", $frames / $1 }"; }

render() {
  "$pw" render -i "$clip" -o null -j "$1" --progress none --set "Scroll Manual=on" --set "RGB Separation Manual=on" \
    --set "Blur Manual=on" --set "Noise Manual=on" --set BPM=120
}
chain() {
  ffmpeg -v error -nostdin -threads "$1" -filter_threads "$1" -i "$clip" \
    -vf "scroll=h=0.01,rgbashift=rh=8:bh=-8,boxblur=15:1,noise=alls=20:allf=t" -f null -
}

echo "| threads | pulsewarper render (fps) | ffmpeg scroll,rgbashift,boxblur,noise (fps) |"
echo "|---|---|---|"
for t in 1 "$cores"; do
  r=$(seconds render "$t")
  f=$(seconds chain "$t")
  echo "| $t | $(fps "$r") | $(fps "$f") |"
done
