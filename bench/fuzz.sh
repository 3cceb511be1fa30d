#!/usr/bin/env bash
# Builds the IFO fuzzer with clang's libFuzzer, AddressSanitizer and UBSan,
# and runs it (default 600 s). Inputs that crash it land in build-fuzz/crashes;
# add them to tests/fuzz/corpus once the fault is fixed.
#
#   bench/fuzz_ifo.sh [SECONDS] [extra libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
scripts/install-deps.sh
cmake -S tests/fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-fuzz
mkdir -p build-fuzz/corpus build-fuzz/crashes
cp -n tests/fuzz/corpus/* build-fuzz/corpus/ 2>/dev/null || true
rm -f build-fuzz/corpus/README.md
exec build-fuzz/ifo_fuzzer build-fuzz/corpus -max_total_time="$seconds" -max_len=16384 \
  -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1 "$@"
