# Helpers shared by scripts/run.sh, scripts/test.sh, the timing scripts and the e2e library.
. "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

# Xvfb on a free display, from a number of its own so that runs started together rarely collide;
# sets XVFB_PID and exports DISPLAY.
start_private_xvfb() {
    xvfb_start $((100 + ($$ + RANDOM) % 800)) || { echo "no free X display" >&2; return 1; }
}

stop_private_xvfb() { xvfb_stop; }

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
