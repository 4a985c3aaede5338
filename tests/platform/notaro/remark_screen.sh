#!/bin/sh
# The remark window of Notaro.ocx on an X display (Xvfb), opened by a page
# script under wine's script host, with a stroke drawn by synthetic mouse
# input; the screen is written to OUT/remark_screen.png for a person to look
# at, and the script's transcript must show the stroke kept.
#   remark_screen.sh WINE_RUN PREFIX OCX NOTARO_HOST DOCUMENT SOURCE_DIR USER_EXE OUT CONVERT
set -eu
wine_run=$1 prefix=$2 ocx=$3 host=$4 document=$5 src=$6 user=$7 out=$8 convert=$9
rm -rf "$out" && mkdir -p "$out"

# The pages, captured by the kit's own host from the stand-in Word.
KIT_ROOT=$out/kit_root "$host" --word-standin --transfer-ready "$src/remark_pages.js" "$document" 'c:\pages.dat' \
  > "$out/pages.log"
mkdir -p "$prefix/drive_c"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$out/display" ] && break
  sleep 0.1
done
DISPLAY=:$(cat "$out/display")
export DISPLAY
run() { /bin/sh "$wine_run" --prefix "$prefix" --display "$@"; }

run regsvr32 /s "$ocx"
cp "$out/kit_root/c/pages.dat" "$prefix/drive_c/remark_screen_in.dat"
rm -f "$prefix/drive_c/remark_screen.txt" "$prefix/drive_c/remark_screen_out.dat"
LC_ALL=zh_CN.UTF-8 KIT_MESSAGE_BOX_LOG='c:\remark_screen.txt' \
  timeout 120 /bin/sh "$wine_run" --prefix "$prefix" --display cscript //nologo "Z:$src/remark_screen.js" \
  'c:\remark_screen_in.dat' 'c:\remark_screen_out.dat' 'c:\remark_screen.txt' &
page=$!
status=0
run "$user" stroke || status=1
xwd -root -silent -display "$DISPLAY" -out "$out/remark_screen.xwd" || status=1
"$convert" "xwd:$out/remark_screen.xwd" "$out/remark_screen.png" || status=1
run "$user" close || status=1
wait $page || status=1
transcript=$(tr -d '\r' < "$prefix/drive_c/remark_screen.txt" 2>/dev/null || true)
want="OpenRemark: the window was closed
the stroke was kept: true"
if [ "$transcript" != "$want" ]; then
  echo "remark_screen: the page wrote:" >&2
  echo "$transcript" >&2
  status=1
fi
echo "screenshot: $out/remark_screen.png"
exit $status
