#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer build and runs every test
# there, then the Windows builds and their tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset posix-debug
cmake --build --preset posix-debug
ctest --preset posix-debug -j2
# Windows: the i686 build that ships runs its tests under 32-bit wine; the
# x86_64 build (for 64-bit hosts) under wine64.
cmake --preset win32-x86
cmake --build --preset win32-x86
ctest --preset win32-x86 -j2
cmake --preset win32-x64
cmake --build --preset win32-x64
ctest --preset win32-x64 -j2
