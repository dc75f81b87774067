#!/bin/bash
# The release packages in build/packages (scripts/package.sh), unpacked into a scratch folder:
# the zip's files and its Korvane.exe importing only system DLLs; the .deb's layout and the
# dependencies it declares; its korvane started from the unpacked tree against a private sound
# server, loading the zip's three colour schemes without an ERROR and drawing with the one chosen
# (Light: an undrawn window is black).
# scripts/test.sh runs it after the packaging step:
#   KORVANE_SOURCE_DIR=$PWD KORVANE_BUILD_DIR=$PWD/build/packages bash tests/e2e/linux/packages.sh
. "$(dirname "$0")/lib.sh"
packages=${KORVANE_BUILD_DIR:?}
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\) .*/\1/p' "$KORVANE_SOURCE_DIR/CMakeLists.txt")
deb=$packages/korvane_${version}_amd64.deb
unpacked=$packages/unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked/deb"
dpkg-deb -x "$deb" "$unpacked/deb" || e2e_fail "cannot unpack $deb"
unzip -q "$packages/Korvane-$version-win64.zip" -d "$unpacked" || e2e_fail "cannot unpack the zip of $version"
win=$unpacked/Korvane-$version-win64
usr=$unpacked/deb/usr
font=RelaxedTypingMonoJP-Regular

for f in Korvane.exe $font.ttf $font-LICENSE.txt README.txt color_schemes/{Dark,Light,High-contrast}.ini; do
    [ -s "$win/$f" ] || e2e_fail "the zip lacks $f"
done
dlls=$(x86_64-w64-mingw32-objdump -p "$win/Korvane.exe" | awk '/DLL Name:/ { print tolower($3) }')
grep -qx kernel32.dll <<<"$dlls" || e2e_fail "no import table read from Korvane.exe"
foreign=$(grep -vxE '(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|shcore|winmm|psapi|msvcrt|vulkan-1|api-ms-win-.*)\.dll' <<<"$dlls")
[ -z "$foreign" ] || e2e_fail "Korvane.exe imports DLLs Windows does not ship: $foreign"

for f in bin/korvane share/korvane/$font.ttf share/korvane/$font-LICENSE.txt share/applications/korvane.desktop; do
    [ -s "$usr/$f" ] || e2e_fail "the .deb lacks /usr/$f"
done
desktop-file-validate "$usr/share/applications/korvane.desktop" || e2e_fail "invalid desktop entry"
[ -f "$usr/share/icons/hicolor/48x48/apps/korvane.png" ] || e2e_fail "no 48x48 icon"
for png in "$usr"/share/icons/hicolor/*/apps/korvane.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    e2e_assert_eq "$size" "$(identify -format '%wx%h' "$png" 2>&1)" "image size of $png"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in 'libc6 (>=' libpulse0 libx11-6 libvulkan1; do
    [[ $depends == *"$lib"* ]] || e2e_fail "Depends lacks $lib: $depends"
done

KORVANE_PROGRAM_DIR=$usr/bin
e2e_linux_init
e2e_start_pulse speakers:Speakers
mkdir -p "$E2E_DIR/color_schemes"
cp "$win"/color_schemes/*.ini "$E2E_DIR/color_schemes/"
e2e_config 0 Light
e2e_start_korvane
e2e_focus
e2e_wait_eq "$(sed -n 's/^BACKGROUND_COLOR=\(......\).*/\1/p' "$win/color_schemes/Light.ini")" "Light.ini's background" e2e_background window
e2e_expect_exit close
errors=$(awk '$1 == "ERROR"' "$E2E_LOG")
[ -z "$errors" ] || e2e_fail "the packaged program logged errors: $errors"
