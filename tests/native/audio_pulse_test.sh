#!/bin/bash
# Runs the PulseAudio audio layer's tests (the executable given, with its arguments) against
# private servers of their own: a fresh runtime folder and home, and copies of pacat under the
# programs' names the tests play from. Whatever a crashed run left running is stopped by PID.
set -u
test_exe=$1
shift
root=$(mktemp -d /tmp/korvane-pulse-test.XXXXXX)
export XDG_RUNTIME_DIR=$root/run HOME=$root/home KORVANE_TEST_PROGRAMS=$root/programs KORVANE_TEST_PIDS=$root/pids
export LC_ALL=C.UTF-8
unset PULSE_SERVER PULSE_SINK PULSE_COOKIE
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$KORVANE_TEST_PROGRAMS" && chmod 700 "$XDG_RUNTIME_DIR"
for name in browser musicbox chatter; do cp "$(command -v pacat)" "$KORVANE_TEST_PROGRAMS/$name" || exit 1; done
"$test_exe" "$@"
rc=$?
# Only processes still running from this run's folder: a PID may have been reused since.
if [ -f "$KORVANE_TEST_PIDS" ]; then
    while read -r pid; do
        if grep -qF "$root" "/proc/$pid/cmdline" 2>/dev/null; then
            kill "$pid"
        fi
    done <"$KORVANE_TEST_PIDS"
fi
rm -rf "$root"
exit $rc
