// AddressSanitizer's settings for the disc readers under test. libdvdread
// asks calloc for as much as a damaged IFO says (2^64 bytes, say); the C
// library then answers null and libdvdread gives the file up, and so must
// ASan's allocator, which would otherwise stop the whole run.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}
