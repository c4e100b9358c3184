#!/usr/bin/env bash
# Builds Moyuta (installing what is missing) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh --tests
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 300
