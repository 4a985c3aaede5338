#!/usr/bin/env bash
# Installs what is missing, builds the release build and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset posix-release
cmake --build --preset posix-release
export KIT_ROOT="${KIT_ROOT:-$PWD/build/posix-release/kit-root}"
mkdir -p "$KIT_ROOT/c/temp/qzdesk"
if [ -x build/posix-release/apps/notaro-host/notaro-host ] && [ -f apps/demo/remark_demo.js ]; then
  build/posix-release/apps/notaro-host/notaro-host apps/demo/remark_demo.js
  if [ -x build/posix-release/apps/remark-tool/remark-tool ]; then
    build/posix-release/apps/remark-tool/remark-tool info "$KIT_ROOT/c/temp/qzdesk/remark.dat"
  fi
else
  echo "The page-script host is not part of this build yet; running the core tests instead."
  ctest --test-dir build/posix-release --output-on-failure
fi
