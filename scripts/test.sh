#!/usr/bin/env bash
# Sets up the machine, builds all four builds and runs every test suite (native and under Wine) through ctest.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PW_BUILD_DIR:-$root/build}"
if [ "${PW_SKIP_SETUP:-0}" != 1 ]; then bash "$root/scripts/setup.sh"; fi
bash "$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --timeout 1800 -j "$(nproc)"
