#!/bin/sh
# window_x11_test.sh TEST_EXE [ARGS...]: the X11 window tests on an X server of their own (they
# change its keyboard layout and clipboard). KORVANE_XVFB_FIRST picks the first display number.
set -u
. "$(cd "$(dirname "$0")/../../scripts" && pwd)/xvfb.sh"
xvfb_start "${KORVANE_XVFB_FIRST:-$((600 + $$ % 300))}" detach || { echo "no X display came up"; exit 1; }
trap xvfb_stop EXIT
"$@"
