#!/bin/sh
# CTest's emulator for the Windows build: wine-run.sh PREFIX EXE [ARGS...]
# Wine's helper processes hold an inherited stderr open for seconds after the program exits;
# sending stderr to a file and printing it afterwards keeps each run short.
prefix=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
WINEPREFIX=$prefix
. "$here/wine-env.sh"
. "$here/xvfb.sh"
err=$(mktemp)
XVFB_PID=
if [ -z "${DISPLAY:-}" ]; then
  # Run by hand without a display: give this one run a private Xvfb.
  xvfb_start $(( 200 + $$ % 500 )) || echo "wine-run: no free X display" >&2
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
xvfb_stop
exit $rc
