// libFuzzer harness for the component stream reader (decoded bytes).
#include "StreamFuzzEntry.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        return ComponentStreamFuzzOne(data, size);
    } catch (const TStreamFuzzFailure& failure) {
        std::fprintf(stderr, "Component stream: invariant broken: %s\n", failure.what());
        std::abort();
    }
}
