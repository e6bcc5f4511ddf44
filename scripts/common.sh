# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CAMDECK_BUILD_DIR:-$top/build}"

packages=(cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev dbus-daemon)

# install_missing [extra packages...]: apt-get only what is not there yet.
install_missing() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
    local dir="$1"
    shift
    cmake -S "$top" -B "$dir" "$@"
    cmake --build "$dir" -j "$(nproc)"
}
