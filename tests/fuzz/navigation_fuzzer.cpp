// libFuzzer target of the navigation walk: see bench/README.md for how to run it.
#include "tests/fuzz/title_reader_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WalkNavigationBytes(data, size);
    return 0;
}
