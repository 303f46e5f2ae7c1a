#!/usr/bin/env bash
# Installs what is missing, builds and checks the Debian package, then builds with
# AddressSanitizer + UBSan and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
radioprog_install_packages

# The package holds a Release build of the program alone; deb_contents checks what it installs.
PACKAGE_BUILD=build-release
cmake -S . -B "$PACKAGE_BUILD" -DCMAKE_BUILD_TYPE=Release -DRADIOPROG_BUILD_TESTS=OFF
cmake --build "$PACKAGE_BUILD" -j"$(nproc)"
(cd "$PACKAGE_BUILD" && cpack -G DEB && RADIOPROG_REQUIRE_DEB=1 ctest --output-on-failure -R deb_contents)

BUILD=build-asan
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DRADIOPROG_SANITIZE=ON
cmake --build "$BUILD" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)"
