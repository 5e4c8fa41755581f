#!/usr/bin/env bash
# Sets up the machine, builds the plug-in and runs the main job: load it in our host and show what it declares.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PW_BUILD_DIR:-$root/build}"
if [ "${PW_SKIP_SETUP:-0}" != 1 ]; then bash "$root/scripts/setup.sh"; fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --parallel "$(nproc)" --target pulsewarper_cli pulsewarper
"$build/cli/pulsewarper" "$@"
