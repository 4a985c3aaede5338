#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer build and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset posix-debug
cmake --build --preset posix-debug
ctest --preset posix-debug
