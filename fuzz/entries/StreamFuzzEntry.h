// Runs of the hex-line codec and of the component stream reader over
// arbitrary bytes, shared by the libFuzzer harnesses and the corpus replay in
// the ordinary tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// Raised when the codec or the reader breaks one of its promises.
class TStreamFuzzFailure : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Decodes data as one stored hex line and checks the result against the
// rule byte by byte; encodes data into lines and checks that they decode
// back to it.
int HexLineFuzzOne(const std::uint8_t* data, std::size_t size);

// Reads data as a component stream of probe components. A refusal must be an
// EStreamError that leaves nothing behind; an accepted stream must convert
// to text and survive a write and re-read unchanged.
int ComponentStreamFuzzOne(const std::uint8_t* data, std::size_t size);
