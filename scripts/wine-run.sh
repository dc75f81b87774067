#!/bin/sh
# CTest's emulator for the Windows build: wine-run.sh PREFIX EXE [ARGS...]
# Wine's helper processes hold an inherited stderr open for seconds after the program exits;
# sending stderr to a file and printing it afterwards keeps each run short.
prefix=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
WINEPREFIX=$prefix
. "$here/wine-env.sh"
err=$(mktemp)
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  # Run by hand without a display: give this one run a private Xvfb.
  n=$(( 200 + $$ % 500 ))
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
fi
wine "$@" 2>"$err"
rc=$?
cat "$err" >&2
rm -f "$err"
if [ -n "$xvfb_pid" ]; then
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
exit $rc
