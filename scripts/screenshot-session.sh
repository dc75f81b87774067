#!/bin/sh
# screenshot-session.sh WINE_RUN EXE [ARGS...]
# Runs a Windows test executable under Wine on the display given in DISPLAY (or, without one, on a
# private Xvfb started and stopped here) and answers its screenshot requests:
# for every file "request-N" the test writes into $KORVANE_SHOT_DIR, this script captures the X root
# window as raw 8-bit RGB into "shot-N.rgb" (written under another name, then renamed).
set -u
wine_run=$1
shift
work=$(mktemp -d)

. "$(cd "$(dirname "$0")" && pwd)/xvfb.sh"
XVFB_PID=
if [ -z "${DISPLAY:-}" ]; then
  xvfb_start 150 || echo "screenshot-session: no free X display" >&2
fi
export KORVANE_SHOT_DIR="Z:$work"

"$wine_run" "$@" &
test_pid=$!
while kill -0 "$test_pid" 2>/dev/null; do
  for request in "$work"/request-*; do
    [ -e "$request" ] || continue
    id=${request##*/request-}
    rm -f "$request"
    import -window root -depth 8 "rgb:$work/shot-$id.part" && mv "$work/shot-$id.part" "$work/shot-$id.rgb"
  done
  sleep 0.05
done
wait "$test_pid"
rc=$?

xvfb_stop
rm -rf "$work"
exit $rc
