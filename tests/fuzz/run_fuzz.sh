#!/usr/bin/env bash
# Runs one fuzz target from its committed corpus for a fixed time; what it finds fails the run, and every input
# that failed is printed (base64) so that the log alone reproduces it.
#   run_fuzz.sh TARGET CORPUS_DIR SECONDS [DICTIONARY]
# Longer local runs: the same with more seconds, e.g. 600 per target (two at a time on two cores).
set -uo pipefail
target="$1" corpus="$2" seconds="$3" dict="${4:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/new"
args=(-max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/")
[ -n "$dict" ] && args+=(-dict="$dict")
"$target" "${args[@]}" "$work/new" "$corpus"
rc=$?
for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-*; do
  [ -e "$f" ] || continue
  echo "the input that failed ($(basename "$f")), base64:"
  base64 -w 0 "$f"
  echo
done
exit "$rc"
