#!/usr/bin/env bash
# Installs what is missing, builds Orvanel and starts it. Extra arguments go to
# the program (for example: ./run.sh --home /tmp/orvanel-settings).
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Orvanel needs a graphical display, and neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
    exit 1
fi
. tools/ensure-deps.sh
orvanel_ensure_packages "${ORVANEL_BUILD_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_TESTS=OFF >/dev/null
cmake --build build
exec ./build/orvanel "$@"
