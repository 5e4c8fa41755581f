#!/usr/bin/env bash
# Sets up the machine, builds the plug-in and the command-line renderer, and renders the demo: the host's test
# pattern through the effect with every treatment on Auto, to a video and a contact sheet (it says where).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PW_BUILD_DIR:-$root/build}"
if [ "${PW_SKIP_SETUP:-0}" != 1 ]; then bash "$root/scripts/setup.sh"; fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --parallel "$(nproc)" --target pulsewarper_cli pulsewarper
"$build/cli/pulsewarper" demo --out "$build/demo" "$@"
