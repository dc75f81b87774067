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
# A client that connects while the prefix's wineserver is shutting down (it lingers a few seconds
# after the last program ends) can fail before the program runs. Such a run prints nothing on
# stdout (a test executable always does), so it is tried again.
out=$(mktemp)
attempt=1
while :; do
  wine "$@" >"$out" 2>"$err"
  rc=$?
  if [ $rc -eq 0 ] || [ -s "$out" ] || [ $attempt -ge 3 ]; then break; fi
  attempt=$((attempt + 1))
  sleep 1
done
cat "$out"
cat "$err" >&2
rm -f "$err" "$out"
if [ -n "$xvfb_pid" ]; then
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
exit $rc
