#!/usr/bin/env bash
# Sets everything up and runs every test. Extra arguments go to ctest,
# for example: ./test.sh -R RipSettingsTest
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
cd build
ctest --output-on-failure -j2 "$@"
