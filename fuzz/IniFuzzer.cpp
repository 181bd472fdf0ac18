// libFuzzer harness for the INI reader and writer.
#include "IniFuzzEntry.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        return IniFuzzOne(data, size);
    } catch (const TIniFuzzFailure& failure) {
        std::fprintf(stderr, "INI invariant broken: %s\n", failure.what());
        std::abort();
    }
}
