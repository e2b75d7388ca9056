// The libFuzzer side of one entry; TREMAX_FUZZ_ENTRY names it (see fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>

void TREMAX_FUZZ_ENTRY(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TREMAX_FUZZ_ENTRY(data, size);
    return 0;
}
