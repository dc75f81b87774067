#!/bin/bash
# scripts/run.sh on a machine that lacks a listed package installs it before it builds anything.
set -u
root=$1
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
calls=$stubs/calls
# xdotool reads as missing, everything else as installed; apt-get and cmake only record the call.
cat >"$stubs/dpkg-query" <<'STUB'
#!/bin/bash
[ "${!#}" = xdotool ] && exit 1
printf 'install ok installed'
STUB
printf '#!/bin/bash\necho "apt-get $*" >>%q\n' "$calls" >"$stubs/apt-get"
printf '#!/bin/bash\necho "cmake $*" >>%q\nexit 1\n' "$calls" >"$stubs/cmake"
printf '#!/bin/bash\n"$@"\n' >"$stubs/sudo"
chmod +x "$stubs"/*
PATH=$stubs:$PATH bash "$root/scripts/run.sh" >/dev/null 2>&1
first_install=$(grep -n '^apt-get .*install .*xdotool' "$calls" | cut -d: -f1)
first_cmake=$(grep -n '^cmake' "$calls" | head -1 | cut -d: -f1)
if [ -z "$first_install" ] || [ -z "$first_cmake" ] || [ "$first_install" -gt "$first_cmake" ]; then
    echo "expected apt-get install of xdotool before the build; calls were:"
    cat "$calls" 2>/dev/null
    exit 1
fi
