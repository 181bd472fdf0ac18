// One run of the INI reader and writer over arbitrary bytes, shared by the
// libFuzzer harness and the corpus replay in the ordinary tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// Raised when the INI service breaks one of its own promises on the input.
class TIniFuzzFailure : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Parses data as an INI file, reads every section and key, writes a value
// derived from the input and checks that it reads back, that every line of
// the input survives the rewrite and that deleting it works.
int IniFuzzOne(const std::uint8_t* data, std::size_t size);
