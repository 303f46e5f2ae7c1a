#!/usr/bin/env bash
# Installs what is missing, builds the program (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
radioprog_install_packages

# The program alone, without tests and benchmarks; the same build as the package's in ./test.sh.
BUILD=build-release
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DRADIOPROG_BUILD_TESTS=OFF
cmake --build "$BUILD" -j"$(nproc)"
exec "$BUILD/cli/radioprog" "$@"
