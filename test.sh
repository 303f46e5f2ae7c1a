#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer + UBSan and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
radioprog_install_packages

BUILD=build-asan
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DRADIOPROG_SANITIZE=ON
cmake --build "$BUILD" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)"
