#!/usr/bin/env bash
# The whole test suite from a fresh checkout: installs what is missing, builds, runs ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh
cd build
ctest --output-on-failure --timeout 300 -j "$(nproc)"
