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
  # The remark window, headless: its user is a script of UI events; the
  # window's snapshot, the printed PDF and a render of the saved page land in
  # build/posix-release/demo. Real page pictures need the office suite; the
  # recording stand-in of Word gives blank pages otherwise.
  demo="$PWD/build/posix-release/demo"
  mkdir -p "$demo"
  printf 'Notice of the district office\n\nThe meeting on road works moves to Thursday.\n' > "$demo/notice.doc"
  office=--word-standin
  if command -v soffice >/dev/null 2>&1; then office=; fi
  (cd "$demo" && "$OLDPWD/build/posix-release/apps/notaro-host/notaro-host" $office --transfer-ready \
     --ui "$OLDPWD/apps/demo/remark_window_demo.ui" --ui-log remark_window.log --print-pdf remark_window.pdf \
     "$OLDPWD/apps/demo/remark_window_demo.js" "$demo/notice.doc")
  if [ -x build/posix-release/apps/remark-tool/remark-tool ]; then
    build/posix-release/apps/remark-tool/remark-tool render "$KIT_ROOT/c/temp/qzdesk/remark_window.dat" 1 "$demo/page1.png"
  fi
  echo "Look at $demo/remark_window.png, $demo/remark_window.pdf and $demo/page1.png"
else
  echo "The page-script host is not part of this build yet; running the core tests instead."
  ctest --test-dir build/posix-release --output-on-failure
fi
