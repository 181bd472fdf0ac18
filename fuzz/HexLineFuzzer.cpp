// libFuzzer harness for the hex-line decoder and encoder.
#include "StreamFuzzEntry.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        return HexLineFuzzOne(data, size);
    } catch (const TStreamFuzzFailure& failure) {
        std::fprintf(stderr, "Hex lines: invariant broken: %s\n", failure.what());
        std::abort();
    }
}
