# Sourced by the scripts that run Wine: a quiet, self-contained 64-bit prefix.
# Set WINEPREFIX before sourcing.
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono/Gecko prompts, no menu entries in $HOME, and a crash exits instead of opening a debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
