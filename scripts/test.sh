#!/bin/bash
# Installs the missing Debian packages, builds and tests the native and the Windows build (the
# latter under Wine on a private Xvfb), builds the release packages and checks them, then builds
# the fuzz targets and runs each for a bounded time. Prints a summary; exits non-zero when any
# step failed.
#   KORVANE_FUZZ_SECONDS   time per fuzz target (default 20)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT" || exit 1
. "$ROOT/scripts/common.sh"

fuzz_seconds=${KORVANE_FUZZ_SECONDS:-20}
total_start=$SECONDS
summary=()
failed=0
XVFB_PID=
trap stop_private_xvfb EXIT
trap 'exit 130' INT TERM

step() {
    local name=$1 t0=$SECONDS rc
    shift
    printf '\n==> %s\n' "$name"
    "$@"
    rc=$?
    if [ $rc -eq 0 ]; then
        summary+=("ok      $name ($((SECONDS - t0)) s)")
    else
        summary+=("FAILED  $name ($((SECONDS - t0)) s, exit code $rc)")
        failed=1
    fi
    return $rc
}

# logged FILE COMMAND...: shows the output and keeps it for the totals.
logged() {
    local file=$1
    shift
    "$@" 2>&1 | tee "$file"
    return "${PIPESTATUS[0]}"
}

fuzz_run() {
    local list=$ROOT/build/fuzz/fuzz-targets.txt name exe seeds work rc=0
    [ -f "$list" ] || return 1
    mkdir -p "$ROOT/build/fuzz/artifacts"
    while read -r name exe seeds; do
        [ -z "$name" ] && continue
        work=$ROOT/build/fuzz/corpus/$name
        mkdir -p "$work"
        [ -d "$seeds" ] || seeds=
        printf '%s: ' "$name"
        if timeout $((fuzz_seconds + 60)) "$exe" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$ROOT/build/fuzz/artifacts/$name-" "$work" $seeds >"$ROOT/build/fuzz/$name.log" 2>&1; then
            grep -E '^#[0-9]+\s+DONE' "$ROOT/build/fuzz/$name.log" | tail -1
        else
            echo "FAILED (see build/fuzz/$name.log)"
            tail -30 "$ROOT/build/fuzz/$name.log"
            rc=1
        fi
    done <"$list"
    return $rc
}

step "install missing packages" install_missing_packages
step "private X display" start_private_xvfb && echo "DISPLAY=$DISPLAY"
logs=$ROOT/build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
step "native build and tests (linux preset)" logged "$logs/linux.log" cmake --workflow --preset linux
step "Windows build and tests under Wine (windows preset)" logged "$logs/windows.log" cmake --workflow --preset windows
step "release packages (scripts/package.sh) and their contents" eval \
    'scripts/package.sh && KORVANE_SOURCE_DIR=$ROOT KORVANE_BUILD_DIR=$ROOT/build/packages bash tests/e2e/linux/packages.sh'
step "fuzz build (fuzz preset)" eval 'cmake --preset fuzz >/dev/null && cmake --build --preset fuzz'
step "fuzzing, ${fuzz_seconds} s per target" fuzz_run
stop_private_xvfb

printf '\n==> Summary\n'
printf '%s\n' "${summary[@]}"
# CTest's closing lines of both builds, added up.
totals=$(grep -hoE '[0-9]+ tests failed out of [0-9]+' "$logs"/*.log 2>/dev/null |
    awk '{ failed += $1; all += $NF } END { printf "%d passed, %d failed", all - failed, failed }')
printf 'Total time: %d s\n' $((SECONDS - total_start))
printf 'Tests: %s\n' "${totals:-0 passed, 0 failed}"
exit $failed
