#!/bin/sh
# Runs a command on a private Xvfb screen and exits with its exit code; 77
# (the tests' SKIP_RETURN_CODE) when Xvfb or the screenshot tools are missing.
#
#   xvfb_run.sh [--ready FILE] [--window NAME] [--shot PNG] [--go FILE]
#               [--wineprefix DIR] [--timeout S] -- COMMAND [ARGS...]
#
# --ready FILE   wait for the command to create FILE before looking for NAME
# --window NAME  wait for a mapped top-level window whose title or class
#                holds NAME
# --shot PNG     then write the window (or, without NAME, the screen) as PNG
# --go FILE      create FILE once the shot is taken, so the command goes on
# --wineprefix   that prefix's wine server is ended before the screen goes,
#                so no wine process outlives the display it was drawing on
# Waits are polls, bounded by --timeout (default 30 s).
set -eu

ready= window= shot= go= wineprefix= timeout=30
while [ $# -gt 0 ]; do
  case $1 in
    --ready) ready=$2; shift 2 ;;
    --window) window=$2; shift 2 ;;
    --shot) shot=$2; shift 2 ;;
    --go) go=$2; shift 2 ;;
    --wineprefix) wineprefix=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: xvfb_run.sh [options] -- COMMAND [ARGS...]" >&2
  exit 2
fi
need="Xvfb"
[ -n "$window" ] && need="$need xwininfo"
[ -n "$shot" ] && need="$need xwd convert"
for tool in $need; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "xvfb_run: $tool not found (Debian packages xvfb, x11-utils, x11-apps, imagemagick); skipped" >&2
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kit-xvfb.XXXXXX")
xvfb_pid= cmd_pid=
cleanup() {
  if [ -n "$cmd_pid" ] && kill -0 "$cmd_pid" 2>/dev/null; then kill "$cmd_pid" 2>/dev/null || true; fi
  if [ -n "$wineprefix" ]; then
    WINEPREFIX=$wineprefix "${KIT_WINESERVER:-/usr/lib/wine/wineserver}" -k 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

deadline=$(( $(date +%s) + timeout ))
expired() { [ "$(date +%s)" -ge "$deadline" ]; }

# Xvfb picks a free display itself and writes its number once it accepts
# connections.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
while [ ! -s "$work/display" ]; do
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "xvfb_run: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 77
  fi
  if expired; then echo "xvfb_run: Xvfb gave no display" >&2; exit 2; fi
  sleep 0.05
done
DISPLAY=:$(cat "$work/display")
export DISPLAY

"$@" &
cmd_pid=$!

running() { kill -0 "$cmd_pid" 2>/dev/null; }
if [ -n "$ready" ]; then
  while [ ! -e "$ready" ]; do
    if ! running; then echo "xvfb_run: the command ended before it was ready" >&2; break; fi
    if expired; then echo "xvfb_run: the command was not ready in ${timeout} s" >&2; break; fi
    sleep 0.05
  done
fi
id=
if [ -n "$window" ] && [ -e "${ready:-/}" ]; then
  # Wine maps the window some moments after the program has shown it.
  while :; do
    # Titles are listed in their raw bytes: NAME may be a part of the title
    # or the program's window class (its lower-case file name).
    id=$(xwininfo -root -children 2>/dev/null | grep -F "$window" | grep -v -e '(has no name)' -e '"Default IME"' |
         awk '{print $1; exit}')
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then break; fi
    id=
    if ! running; then echo "xvfb_run: the command ended before its window appeared" >&2; break; fi
    if expired; then echo "xvfb_run: no window \"$window\" in ${timeout} s" >&2; break; fi
    sleep 0.05
  done
fi
shot_ok=1
if [ -n "$shot" ] && { [ -z "$window" ] || [ -n "$id" ]; }; then
  if [ -n "$id" ]; then
    xwd -silent -id "$id" -out "$work/shot.xwd" || shot_ok=0
  else
    xwd -silent -root -out "$work/shot.xwd" || shot_ok=0
  fi
  if [ "$shot_ok" = 1 ]; then
    convert "xwd:$work/shot.xwd" "png:$shot" || shot_ok=0
  fi
elif [ -n "$shot" ]; then
  shot_ok=0
fi
[ -n "$go" ] && : >"$go"

set +e
wait "$cmd_pid"
rc=$?
set -e
cmd_pid=
if [ "$rc" = 0 ] && [ "$shot_ok" = 0 ]; then
  echo "xvfb_run: no screenshot was written" >&2
  rc=1
fi
exit "$rc"
