# Sourced by run.sh and test.sh: installs the Debian packages that are missing.
# Idempotent: with everything present it asks no package server.

orvanel_ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Missing packages (${missing[*]}); run this as root or install sudo." >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
}

# What building the program needs.
ORVANEL_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev fonts-dejavu-core)
# What the tests need on top.
# desktop-file-utils checks the desktop entry; dpkg-dev and file let cpack list
# the Debian package's dependencies; the FAT and exFAT tools make USB-stick-like
# disks through FUSE for the tests that run as root.
ORVANEL_TEST_PACKAGES=(libgtest-dev libgmock-dev desktop-file-utils dpkg-dev file
    dosfstools fusefat exfatprogs exfat-fuse)
