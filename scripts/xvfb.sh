# Starting and stopping an Xvfb of our own, for the scripts that need a display. POSIX sh, so
# that bash and sh scripts alike can source it.

# xvfb_start FIRST [detach]: Xvfb on the first free display number from FIRST. Another process
# may take a number between the check and the start: a server that does not come up sends us on
# to the next number. Sets XVFB_PID and exports DISPLAY; status 1 when no display came up.
# "detach" gives the server a session of its own, away from the caller's pipes (CTest would wait
# for them to close).
xvfb_start() {
    xvfb_n=$1
    xvfb_tries=0
    while [ "$xvfb_tries" -lt 50 ]; do
        if [ ! -e "/tmp/.X$xvfb_n-lock" ] && [ ! -e "/tmp/.X11-unix/X$xvfb_n" ]; then
            if [ "${2:-}" = detach ]; then
                setsid Xvfb ":$xvfb_n" -screen 0 1280x800x24 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 &
            else
                Xvfb ":$xvfb_n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
            fi
            XVFB_PID=$!
            xvfb_i=0
            while [ "$xvfb_i" -lt 200 ] && kill -0 "$XVFB_PID" 2>/dev/null && [ ! -e "/tmp/.X11-unix/X$xvfb_n" ]; do
                sleep 0.05
                xvfb_i=$((xvfb_i + 1))
            done
            if kill -0 "$XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$xvfb_n" ]; then
                export DISPLAY=":$xvfb_n"
                return 0
            fi
            xvfb_stop
        fi
        xvfb_n=$((xvfb_n + 1))
        xvfb_tries=$((xvfb_tries + 1))
    done
    return 1
}

# xvfb_stop: stops the server of the last xvfb_start, if any.
xvfb_stop() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    fi
}
