#!/bin/sh
# display-run.sh STATE LAUNCHER EXE [ARGS...]: runs EXE through LAUNCHER on the shared display
# of xvfb-fixture.sh when it is up and no DISPLAY was given.
state=$1
shift
if [ -z "${DISPLAY:-}" ] && [ -f "$state" ]; then
  read -r n pid <"$state"
  if kill -0 "$pid" 2>/dev/null; then export DISPLAY=":$n"; fi
fi
exec "$@"
