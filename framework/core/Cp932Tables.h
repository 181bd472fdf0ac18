// The code page's lookup tables and the loops over them. The tables are
// generated at build time from glibc iconv (Cp932TableGen.cpp) and checked
// against it by the tests, so nothing is built at start.
#pragma once

#include "Cp932.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstdint>

namespace Cp932::Tables {

constexpr char16_t kNoChar = 0xFFFF; // no character for these bytes
constexpr std::uint16_t kNoCode = 0; // no code for this character (U+0000 is ASCII)

struct TCodeTables {
    const char16_t* Single;      // [256] a byte that is no lead byte -> its character
    const char16_t* Double;      // [65536] lead << 8 | trail -> the pair's character
    const std::uint16_t* Encode; // [65536] character -> code: 0x00NN or 0xLLTT
};

extern const TCodeTables kCodes;
// [256] the byte alone decodes to one character that encodes back to it.
extern const bool kSingleRoundTrips[256];

// Bytes to text; a byte that starts no character becomes its escape.
QString Decode(const TCodeTables& tables, QByteArrayView bytes);
// The index of the first character that cannot be encoded, or -1; when out
// is given (with room for two bytes a character) the encoding replaces its
// content.
qsizetype EncodeInto(const TCodeTables& tables, QStringView text, QByteArray* out);

} // namespace Cp932::Tables
