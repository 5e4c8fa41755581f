#!/usr/bin/env bash
# Frames per second of the command-line renderer on a 10-second 1080p clip, at one thread and at all cores, next
# to ffmpeg running a comparable filter chain (scroll, rgbashift, boxblur, noise) on the same clip with the same
# thread count. Both decode the same H.264 file and discard the result; the renderer runs Scroll, RGB
# Separation, Blur and Noise on every beat (Manual, checkboxes on). Each figure is the median of three runs.
#
# With the effect's benchmark (pw_bench, built with -DPW_BENCH=ON) it also gives the effect's own time for the
# same job ("Frame/8/1920x1080/renderer job") and the renderer's overhead over it at one thread, both in wall time
# and in the CPU time of the render thread (what the host and the effect cost, apart from decoding); and it renders a
# 40-second clip (1,200 frames) to see that resident memory after 1,000 frames is what it was after 100.
#
# Usage: bash cli/bench/renderer_vs_ffmpeg.sh [pulsewarper] [pw_bench]
#        (defaults: build/cli/pulsewarper, build-bench/bench/pw_bench if it exists)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
pw="${1:-$root/build/cli/pulsewarper}"
bench="${2:-$root/build-bench/bench/pw_bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
frames=300
cores="$(nproc)"

ffmpeg -v error -nostdin -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" -c:v libx264 -crf 18 \
  -pix_fmt yuv420p "$clip"

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); awk "BEGIN { print $t1 - $t0 }"; }
median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
fps() { awk "BEGIN { printf \"%.1f\", $frames / $1 }"; }

look=(--set "Scroll Manual=on" --set "RGB Separation Manual=on" --set "Blur Manual=on" --set "Noise Manual=on"
      --set BPM=120)
render() { "$pw" render -i "$clip" -o null -j "$1" --progress none "${look[@]}"; }
chain() {
  ffmpeg -v error -nostdin -threads "$1" -filter_threads "$1" -i "$clip" \
    -vf "scroll=h=0.01,rgbashift=rh=8:bh=-8,boxblur=15:1,noise=alls=20:allf=t" -f null -
}

# A renderer that is missing or fails would otherwise time as thousands of frames a second.
if ! "$pw" render -i "$clip" -o null --frames 0-1 --progress none "${look[@]}" >/dev/null; then
  echo "renderer_vs_ffmpeg: $pw cannot render the clip" >&2
  exit 1
fi

echo "| threads | pulsewarper render (fps) | ffmpeg scroll,rgbashift,boxblur,noise (fps) | ratio |"
echo "|---|---|---|---|"
one=""
for t in 1 "$cores"; do
  r=$(median3 "$(seconds render "$t")" "$(seconds render "$t")" "$(seconds render "$t")")
  f=$(median3 "$(seconds chain "$t")" "$(seconds chain "$t")" "$(seconds chain "$t")")
  echo "| $t | $(fps "$r") | $(fps "$f") | $(awk "BEGIN { printf \"%.2f\", $f / $r }") |"
  [ -z "$one" ] && one="$r"
done

if [ -x "$bench" ]; then
  effect=()
  for i in 1 2 3; do
    effect+=("$("$bench" --benchmark_filter='^Frame/8/1920x1080/renderer job' 2>/dev/null |
      sed -n 's/.*frame_ms=\([0-9.]*\).*/\1/p')")
  done
  e=$(median3 "${effect[@]}")
  per=$(awk "BEGIN { printf \"%.1f\", 1000 * $one / $frames }")
  cpu=()
  for i in 1 2 3; do
    cpu+=("$("$pw" render -i "$clip" -o null -j 1 --progress lines "${look[@]}" 2>&1 |
      sed -n 's/.* \([0-9.]*\) ms of render-thread CPU a frame.*/\1/p')")
  done
  c=$(median3 "${cpu[@]}")
  echo
  echo "effect alone (pw_bench, the same job): $e ms a frame; the renderer at one thread: $per ms a frame of wall" \
    "time (overhead $(awk "BEGIN { printf \"%.0f\", 100 * ($per - $e) / $e }") %, the decoder sharing the cores)," \
    "$c ms of CPU a frame on its render thread (overhead $(awk "BEGIN { printf \"%.0f\", 100 * ($c - $e) / $e }") %)"
fi

# Resident memory of a long render: 1,200 frames, sampled as the progress lines pass frames 100 and 1,000.
long="$work/long.mp4"
ffmpeg -v error -nostdin -stream_loop 3 -i "$clip" -c copy "$long"
"$pw" render -i "$long" -o null -j "$cores" --progress lines "${look[@]}" 2>"$work/progress" &
pid=$!
at100="" at200="" at1000=""
while kill -0 "$pid" 2>/dev/null; do
  done_frames=$(grep -o '^[0-9]*/' "$work/progress" 2>/dev/null | tail -n 1 | tr -d / || true)
  rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
  if [ -n "${done_frames:-}" ] && [ -n "${rss:-}" ]; then
    [ -z "$at100" ] && [ "$done_frames" -ge 100 ] && at100="$rss ($done_frames frames)"
    [ -z "$at200" ] && [ "$done_frames" -ge 200 ] && at200="$rss ($done_frames frames)"
    [ -z "$at1000" ] && [ "$done_frames" -ge 1000 ] && at1000="$rss ($done_frames frames)"
  fi
  sleep 0.2
done
wait "$pid"
echo
echo "resident memory of a 1,200-frame 1080p render at $cores threads: ${at100:-?} kB after 100 frames," \
  "${at200:-?} kB after 200, ${at1000:-?} kB after 1,000"
