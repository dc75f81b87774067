#!/bin/sh
# Creates (once) the Wine prefix PREFIX used by the Windows tests of a build tree.
set -eu
prefix=$1
here=$(cd "$(dirname "$0")" && pwd)
WINEPREFIX=$prefix
. "$here/wine-env.sh"
if [ ! -f "$prefix/.korvane-prefix-ready" ]; then
  rm -rf "$prefix"
  mkdir -p "$prefix"
  wine wineboot --init >/dev/null 2>&1
  # Unmanaged windows: otherwise every exit that hid a window stalls for about two seconds.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.korvane-prefix-ready"
fi
