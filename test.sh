#!/usr/bin/env bash
# Installs what is missing, builds Orvanel with the sanitizers and warnings as
# errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. tools/ensure-deps.sh
orvanel_ensure_packages "${ORVANEL_BUILD_PACKAGES[@]}" "${ORVANEL_TEST_PACKAGES[@]}"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DORVANEL_TESTS=ON -DORVANEL_SANITIZE=ON -DORVANEL_WERROR=ON >/dev/null
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
