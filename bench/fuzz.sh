#!/usr/bin/env bash
# Builds a fuzzer with clang's libFuzzer, AddressSanitizer and UBSan, and
# runs it (default 600 s):
#   ifo            the IFO reader and the title model (tests/fuzz/corpus)
#   title_reader   the title reader: IFO files and a VOB (tests/fuzz/title_corpus)
#   navigation     the navigation walk: IFO files and menu VOBs (tests/fuzz/navigation_corpus)
# Inputs that crash it land in build-fuzz/crashes-TARGET; add them to the
# target's corpus once the fault is fixed.
#
#   bench/fuzz.sh TARGET [SECONDS] [extra libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: bench/fuzz.sh ifo|title_reader|navigation [SECONDS] [libFuzzer options]}
seconds=${2:-600}
shift $(( $# < 2 ? $# : 2 ))
case $target in
  ifo) corpus=tests/fuzz/corpus max_len=16384 ;;
  title_reader) corpus=tests/fuzz/title_corpus max_len=262144 ;;
  navigation) corpus=tests/fuzz/navigation_corpus max_len=65536 ;;
  *) echo "bench/fuzz.sh: no fuzzer named $target" >&2; exit 64 ;;
esac
scripts/install-deps.sh
cmake -S tests/fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-fuzz --target "${target}_fuzzer"
mkdir -p "build-fuzz/corpus-$target" "build-fuzz/crashes-$target"
cp -n "$corpus"/* "build-fuzz/corpus-$target/" 2>/dev/null || true
rm -f "build-fuzz/corpus-$target/README.md"
exec "build-fuzz/${target}_fuzzer" "build-fuzz/corpus-$target" -max_total_time="$seconds" -max_len="$max_len" \
  -artifact_prefix="build-fuzz/crashes-$target/" -print_final_stats=1 "$@"
