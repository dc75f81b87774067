#!/bin/bash
# The audio platform stand-in for Wine (tests/fakes/audio_platform): Wine has no
# per-application audio sessions and no policy-configuration class, so under Wine Korvane
# runs against this simulated platform; on Windows the same exe drives the real devices.
#
# Run:     audio-platform.sh register PREFIX DLL STATE    registers the DLL in PREFIX with STATE
#          audio-platform.sh unregister PREFIX
#          audio-platform.sh demo-state STATE             writes a small demo state
# Source:  audio_platform_start_programs PREFIX IDLE_EXE DIR NAME...   copies the idle program
#          as DIR/NAME and starts each copy; their PIDs go to AUDIO_PLATFORM_PIDS (children of
#          the sourcing shell). audio_platform_stop_programs stops them by PID.
# All paths are absolute Unix paths.

AUDIO_PLATFORM_ENUMERATOR_CLSID='{BCDE0395-E52F-467C-8E3D-C4579291692E}'
AUDIO_PLATFORM_POLICY_CLSID='{294935CE-F637-4E7C-A41B-AB255460B862}'
AUDIO_PLATFORM_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
AUDIO_PLATFORM_PIDS=()

audio_platform_windows_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }

audio_platform_wine_env() {
  WINEPREFIX=$1
  . "$AUDIO_PLATFORM_HERE/wine-env.sh"
}

# Wine's CoCreateInstance reads only the machine's classes (HKCU\Software\Classes is not
# consulted), so the stand-in replaces Wine's own registration; unregister restores it.
audio_platform_register() {
  local prefix=$1 dll=$2 state=$3
  ( audio_platform_wine_env "$prefix"
    local dll_w state_w clsid
    dll_w=$(audio_platform_windows_path "$dll")
    state_w=$(audio_platform_windows_path "$state")
    for clsid in "$AUDIO_PLATFORM_ENUMERATOR_CLSID" "$AUDIO_PLATFORM_POLICY_CLSID"; do
      wine reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /ve /d "$dll_w" /f >/dev/null 2>&1 || exit 1
      wine reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel /d Both /f >/dev/null 2>&1 || exit 1
    done
    wine reg add 'HKCU\Software\Korvane\AudioPlatform' /v StateFile /d "$state_w" /f >/dev/null 2>&1 || exit 1
    wineserver -w )
}

audio_platform_unregister() {
  local prefix=$1
  ( audio_platform_wine_env "$prefix"
    wine reg add "HKCR\\CLSID\\$AUDIO_PLATFORM_ENUMERATOR_CLSID\\InprocServer32" /ve /d 'C:\windows\system32\mmdevapi.dll' /f >/dev/null 2>&1
    wine reg delete "HKCR\\CLSID\\$AUDIO_PLATFORM_POLICY_CLSID" /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\Korvane\AudioPlatform' /f >/dev/null 2>&1
    wineserver -w )
}

# Two output devices and sessions of four programs (start them with the names below).
audio_platform_demo_state() {
  cat > "$1" <<'STATE'
; Audio platform stand-in for Korvane under Wine. Edit freely: read at every enumeration,
; rewritten after every change the program makes.

[device]
id={0.0.0.00000000}.{speakers}
name=Speakers
volume=0.6
mute=0
default_console=1
default_multimedia=1
default_communications=1

[device]
id={0.0.0.00000000}.{headset}
name=Headset
volume=0.35
mute=0
default_console=0
default_multimedia=0
default_communications=0

[session]
device={0.0.0.00000000}.{speakers}
program=System
volume=1
mute=0

[session]
device={0.0.0.00000000}.{speakers}
program=player.exe
volume=0.8
mute=0

[session]
device={0.0.0.00000000}.{speakers}
program=browser.exe
volume=0.45
mute=1

[session]
device={0.0.0.00000000}.{headset}
program=voicechat.exe
volume=0.9
mute=0
STATE
}
AUDIO_PLATFORM_DEMO_PROGRAMS=(player.exe browser.exe voicechat.exe)

audio_platform_start_programs() {
  local prefix=$1 idle=$2 dir=$3
  shift 3
  mkdir -p "$dir"
  local name
  for name in "$@"; do
    cp "$idle" "$dir/$name"
    ( audio_platform_wine_env "$prefix"; exec wine "$dir/$name" ) >/dev/null 2>&1 &
    AUDIO_PLATFORM_PIDS+=($!)
  done
}

audio_platform_stop_programs() {
  local pid
  for pid in "${AUDIO_PLATFORM_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${AUDIO_PLATFORM_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  AUDIO_PLATFORM_PIDS=()
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -eu
  case "${1:-}" in
    register) audio_platform_register "$2" "$3" "$4" ;;
    unregister) audio_platform_unregister "$2" ;;
    demo-state) audio_platform_demo_state "$2" ;;
    *) echo "usage: $0 register PREFIX DLL STATE | unregister PREFIX | demo-state STATE" >&2; exit 2 ;;
  esac
fi
