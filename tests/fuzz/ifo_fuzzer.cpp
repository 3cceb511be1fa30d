// libFuzzer target: see bench/README.md for how to run it.
#include "tests/fuzz/ifo_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadIfoBytes(data, size);
    LoadIfoImageBytes(data, size);
    return 0;
}
