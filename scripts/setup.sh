#!/usr/bin/env bash
# Installs everything the builds and tests need on a fresh Debian (bookworm) machine. Run as root.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh installs packages: run it as root (or through sudo)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# The 32-bit deliverable runs its tests under 32-bit Wine where the kernel runs 32-bit programs; the i686 Linux
# build of the same sources (g++-multilib) runs them everywhere, under qemu-user where the kernel cannot.
dpkg --add-architecture i386
# A mirror caught mid-sync serves index files of the wrong size for a while: try again, and in the end go on with the
# indexes that did arrive (the installation below then says if a package cannot be had).
for attempt in 1 2 3 4 5; do
  if apt-get update -q -o Acquire::Retries=3; then break; fi
  if [ "$attempt" = 5 ]; then
    echo "setup.sh: apt-get update failed five times; going on with the package indexes that arrived" >&2
    break
  fi
  sleep 30
done
apt-get install -y -q --no-install-recommends -o Acquire::Retries=3 \
  build-essential cmake ninja-build git ca-certificates \
  googletest libgtest-dev libgmock-dev libbenchmark-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
  wine wine64 g++-multilib qemu-user \
  nlohmann-json3-dev libopenimageio-dev ffmpeg \
  clang-14 libfuzzer-14-dev libclang-rt-14-dev \
  slurm-wlm munge libaubio-dev

# 32-bit Wine needs the i386 index to agree with the amd64 one (its libraries must match their amd64 versions); a
# mirror mid-sync can break that. Without it the x86 DLL is still built and checked and its code tested in the i686
# build, so its absence costs two suites, not the run.
if ! apt-get install -y -q --no-install-recommends -o Acquire::Retries=3 wine32:i386; then
  echo "setup.sh: wine32:i386 could not be installed; the x86 DLL's tests under Wine will be skipped" >&2
fi
