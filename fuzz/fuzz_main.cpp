// A libFuzzer harness for the entry point named by TESSALY_FUZZ_ENTRY at compile time.
#include "fuzz/fuzz_stages.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    return TESSALY_FUZZ_ENTRY(std::span<const std::uint8_t>(pData, nSize));
}
