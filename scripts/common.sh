# Helpers shared by scripts/run.sh and scripts/test.sh. Source after setting ROOT.

# Starts Xvfb on a free display number (another process may run Xvfb concurrently); sets
# XVFB_PID and exports DISPLAY.
start_private_xvfb() {
    local n=$((100 + ($$ + RANDOM) % 800)) tries=0 i
    while [ $tries -lt 50 ]; do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
            XVFB_PID=$!
            i=0
            while [ $i -lt 100 ] && kill -0 "$XVFB_PID" 2>/dev/null && [ ! -e "/tmp/.X11-unix/X$n" ]; do
                sleep 0.05
                i=$((i + 1))
            done
            if kill -0 "$XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill "$XVFB_PID" 2>/dev/null
            wait "$XVFB_PID" 2>/dev/null
            XVFB_PID=
        fi
        n=$((n + 1))
        tries=$((tries + 1))
    done
    echo "no free X display" >&2
    return 1
}

stop_private_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    fi
}

# Installs the packages of scripts/packages.txt that are not installed yet.
install_missing_packages() {
    local missing=() p
    while read -r p; do
        p=${p%%#*}
        p=$(echo "$p" | tr -d '[:space:]')
        [ -z "$p" ] && continue
        if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
            missing+=("$p")
        fi
    done <"$ROOT/scripts/packages.txt"
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -q &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
