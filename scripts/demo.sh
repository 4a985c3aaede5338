#!/usr/bin/env bash
# Installs what is missing, builds the release build and runs the demo: a day
# at an office desk against the loopback office server.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${KIT_DEMO_BUILD:-}" ]; then
  bash scripts/install-deps.sh
  cmake --preset posix-release
  cmake --build --preset posix-release
fi
build=${KIT_DEMO_BUILD:-build/posix-release}
bin=$build/apps
out=$PWD/$build/demo
rm -rf "$out/desk"
mkdir -p "$out/desk"
export KIT_ROOT=$out/desk
server=$bin/office-server/office-server
host=$bin/notaro-host/notaro-host
tool=$bin/remark-tool/remark-tool

say() { printf '\n### %s\n\n' "$*"; }

say "The notice: an office document made with the office suite"
if [ ! -f "$out/notice.doc" ]; then
  soffice --headless "-env:UserInstallation=file://$HOME/.cache/kit/office-profile" \
    --infilter="HTML (StarWriter)" --convert-to 'doc:MS Word 97' --outdir "$out" apps/demo/notice.html >/dev/null 2>&1
fi
echo "$out/notice.doc ($(stat -c %s "$out/notice.doc") bytes)"

say "Remarking: the page script against the office server (the user's mouse is apps/demo/remark.ui)"
(cd "$out" && "$OLDPWD/$server" --file notice.doc="$out/notice.doc" --page upload.jsp="$OLDPWD/apps/demo/upload.jsp" -- \
  "$OLDPWD/$host" --ui "$OLDPWD/apps/demo/remark.ui" --print-pdf remark-window.pdf "$OLDPWD/apps/demo/office_day.js" @URL@)
echo "the window as 张三 left it: $out/remark-window.png; printed: $out/remark-window.pdf"

say "The remark data file as the reviewer keeps it"
"$tool" info "$KIT_ROOT/c/temp/qzdesk/notice_reviewed.dat"
"$tool" render "$KIT_ROOT/c/temp/qzdesk/notice_reviewed.dat" 1 "$out/notice-page1.png" --zoom 100
echo "page 1 with its remarks: $out/notice-page1.png"

say "The document cycle: download, revision in Word, the Word file and its Web page sent back"
"$server" --file myword.doc=apps/demo/myword.doc --page upload.jsp=apps/demo/upload.jsp -- \
  "$host" --word-standin --word-log "$out/word-calls.log" apps/demo/document_cycle.js @URL@
echo "what Word was told, call by call: $out/word-calls.log ($(wc -l < "$out/word-calls.log") calls)"

say "The signature pad: the approver signs (the mouse is apps/demo/signature.ui) and the page saves"
mkdir -p "$KIT_ROOT/c/Temp"
"$host" --ui apps/demo/signature.ui apps/demo/signature.js
echo "the signature as the server would get it: $KIT_ROOT/c/Temp/qzdesk/Quillpad.JPG"

say "The same day in a browser without ActiveX: one page in headless Chromium, the controls through notaro-bridge"
if command -v node >/dev/null && command -v chromium >/dev/null; then
  export KIT_ROOT=$out/browser-desk
  rm -rf "$KIT_ROOT" "$out/browser"
  mkdir -p "$KIT_ROOT" "$out/browser"
  # The same user at the desk: the remark window's mouse, then the pad's.
  cat apps/demo/remark.ui apps/demo/signature.ui > "$out/browser/desk.ui"
  (cd "$out/browser" && "$OLDPWD/$server" --file notice.doc="$out/notice.doc" --page upload.jsp="$OLDPWD/apps/demo/upload.jsp" \
    --page desk.html="$OLDPWD/apps/demo/desk.html" -- \
    node "$OLDPWD/apps/demo/browser_act.mjs" --bridge "$OLDPWD/$bin/notaro-bridge/notaro-bridge" --chromium chromium \
      --ui desk.ui --ui-log windows.log --page @URL@/pages/desk.html --screenshot "$out/browser-desk.png")
  echo "the page after the day: $out/browser-desk.png; the remark window as 张三 left it: $out/browser/remark-window.png"
  echo "what the bridge's windows showed and did: $out/browser/windows.log"
else
  echo "(left out: it needs node and chromium)"
fi

say "The VPN dialer, dry run: optimize, create the connection, dial with routes, hang up"
dialer=$bin/tunnelgate/tunnelgate
export KIT_ROOT=$out/dialer
rm -rf "$KIT_ROOT"
mkdir -p "$KIT_ROOT"
"$dialer" --no-wait --gateway 198.51.100.1 --press Command2 --answer yes
"$dialer" --no-wait --gateway 198.51.100.1 --set Text1=zhang --set Text2=secret --press Command1
"$dialer" --no-wait --gateway 198.51.100.1 --tunnel-gateway 172.16.0.9 --press Command4 --press Command5
