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

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  n=150
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
  export DISPLAY=":$n"
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

if [ -n "$xvfb_pid" ]; then
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
rm -rf "$work"
exit $rc
