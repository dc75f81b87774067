#!/bin/sh
# One X display shared by a whole test run, so the prefix's desktop process (and with it the
# notification area and the clipboard) is not torn down between test processes.
#   xvfb-fixture.sh start STATE   starts Xvfb on a free display; STATE holds "display pid"
#   xvfb-fixture.sh stop STATE    stops it
set -u
state=$2
. "$(cd "$(dirname "$0")" && pwd)/xvfb.sh"
case $1 in
start)
  # A display given to the whole run is used as it is.
  [ -n "${DISPLAY:-}" ] && exit 0
  if [ -f "$state" ]; then
    read -r n pid <"$state"
    if kill -0 "$pid" 2>/dev/null; then exit 0; fi
  fi
  XVFB_PID=
  xvfb_start $(( 600 + $$ % 300 )) detach || exit 1
  echo "${DISPLAY#:} $XVFB_PID" >"$state"
  ;;
stop)
  [ -f "$state" ] || exit 0
  read -r n pid <"$state"
  rm -f "$state"
  kill "$pid" 2>/dev/null
  i=0
  while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
  ;;
esac
exit 0
