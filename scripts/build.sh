#!/usr/bin/env bash
# Sets everything up and builds into build/: packages, configuration, compilation.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DTARVOK_WERROR=ON > /dev/null
cmake --build build
