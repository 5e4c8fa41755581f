#!/usr/bin/env bash
# Configures and builds every build of the plug-in (native, native 32-bit flavour, sanitizers, both Windows DLLs).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PW_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" --parallel "$(nproc)"
