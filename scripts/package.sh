#!/bin/bash
# Builds the release packages into build/packages/: korvane_<version>_amd64.deb from the
# linux-release preset and Korvane-<version>-win64.zip from the windows preset. Installs the
# missing Debian packages first.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. "$ROOT/scripts/common.sh"
install_missing_packages
out=$ROOT/build/packages
rm -rf "$out"
for preset in linux-release windows; do
    cmake --preset "$preset" >/dev/null
    nice cmake --build "build/$preset" --target korvane_program
    cpack --config "build/$preset/CPackConfig.cmake" -B "$out"
done
rm -rf "$out/_CPack_Packages"
ls -l "$out"
