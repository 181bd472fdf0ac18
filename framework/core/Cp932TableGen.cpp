// Writes the code page's tables (Cp932Tables.h) as C++ source, at build time.
//
// The code tables come from glibc iconv, whose CP932 is the Windows table.
// Every code that decodes to one BMP character is kept; the encoding of each
// such character is the one iconv's encoder gives, so the duplicates (NEC row
// 13, NEC-selected IBM and IBM extensions) decode to their characters and
// encode to the code the platform prefers.
//
// Which single bytes round-trip is then learned from the codec's own Decode
// and Encode over those code tables.
#include "Cp932.h"
#include "Cp932Tables.h"

#include <array>
#include <cstdio>
#include <iconv.h>
#include <vector>

namespace {

using namespace Cp932::Tables;
using Cp932::IsLeadByte;
using Cp932::IsTrailByte;

char16_t DecodeOne(iconv_t cd, const unsigned char* bytes, size_t n) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    size_t inLeft = n;
    char16_t out[4];
    char* outp = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &outp, &outLeft) == size_t(-1) || inLeft != 0)
        return kNoChar;
    if (sizeof out - outLeft != 2)
        return kNoChar; // several units or a surrogate pair
    return out[0];
}

size_t EncodeOne(iconv_t cd, char16_t c, unsigned char* out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(&c);
    size_t inLeft = 2;
    char* outp = reinterpret_cast<char*>(out);
    size_t outLeft = 4;
    if (iconv(cd, &in, &inLeft, &outp, &outLeft) == size_t(-1) || inLeft != 0)
        return 0;
    return 4 - outLeft;
}

struct TCodeData {
    std::vector<char16_t> Single = std::vector<char16_t>(256, kNoChar);
    std::vector<char16_t> Double = std::vector<char16_t>(65536, kNoChar);
    std::vector<std::uint16_t> Encode = std::vector<std::uint16_t>(65536, kNoCode);

    TCodeTables View() const { return {Single.data(), Double.data(), Encode.data()}; }

    void Register(iconv_t dec, iconv_t enc, const unsigned char* bytes, size_t n) {
        const char16_t c = DecodeOne(dec, bytes, n);
        if (c == kNoChar || Cp932::IsEscape(c))
            return;
        if (n == 1)
            Single[bytes[0]] = c;
        else
            Double[size_t(bytes[0] << 8 | bytes[1])] = c;
        if (Encode[c] != kNoCode)
            return;
        unsigned char back[4];
        const size_t m = EncodeOne(enc, c, back);
        if (m == 1)
            Encode[c] = back[0];
        else if (m == 2)
            Encode[c] = std::uint16_t(back[0] << 8 | back[1]);
    }
};

bool FromIconv(TCodeData& data) {
    iconv_t dec = iconv_open("UTF-16LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-16LE");
    if (dec == iconv_t(-1) || enc == iconv_t(-1))
        return false;
    for (unsigned b = 0; b < 256; ++b) {
        if (IsLeadByte(b))
            continue;
        const unsigned char in[1] = {static_cast<unsigned char>(b)};
        data.Register(dec, enc, in, 1);
    }
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (!IsLeadByte(lead))
            continue;
        for (unsigned trail = 0; trail < 256; ++trail) {
            if (!IsTrailByte(trail))
                continue;
            const unsigned char in[2] = {static_cast<unsigned char>(lead),
                                         static_cast<unsigned char>(trail)};
            data.Register(dec, enc, in, 2);
        }
    }
    iconv_close(dec);
    iconv_close(enc);
    return true;
}

// Bytes that decode alone to one character that encodes back to the byte.
std::array<bool, 256> SingleRoundTrips(const TCodeTables& codes) {
    std::array<bool, 256> singles{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString text = Decode(codes, QByteArrayView(&byte, 1));
        QByteArray back(2, Qt::Uninitialized);
        singles[size_t(b)] = text.size() == 1 && EncodeInto(codes, text, &back) < 0 &&
                             back == QByteArrayView(&byte, 1);
    }
    return singles;
}

// One array, sixteen values a line, each written by text(value).
template <class T, class F>
void WriteArray(std::FILE* f, const char* type, const char* name, const T& values, F text) {
    std::fprintf(f, "const %s %s[%zu] = {", type, name, values.size());
    for (size_t i = 0; i < values.size(); ++i)
        std::fprintf(f, "%s%s,", i % 16 ? "" : "\n", text(values[i]));
    std::fprintf(f, "\n};\n\n");
}

const char* Hex(unsigned v) {
    static char text[8];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    TCodeData codes;
    if (!FromIconv(codes)) {
        std::fprintf(stderr, "%s: iconv has no CP932\n", argv[0]);
        return 1;
    }
    const TCodeTables view = codes.View();
    const std::array<bool, 256> singles = SingleRoundTrips(view);

    std::FILE* f = std::fopen(argv[1], "w");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(f, "// Generated at build time from glibc iconv by Cp932TableGen.cpp.\n"
                    "#include \"Cp932Tables.h\"\n\n"
                    "namespace Cp932::Tables {\nnamespace {\n\n");
    const auto number = [](auto v) { return Hex(unsigned(v)); };
    WriteArray(f, "char16_t", "kSingle", codes.Single, number);
    WriteArray(f, "char16_t", "kDouble", codes.Double, number);
    WriteArray(f, "std::uint16_t", "kEncode", codes.Encode, number);
    std::fprintf(f, "} // namespace\n\n"
                    "const TCodeTables kCodes{kSingle, kDouble, kEncode};\n\n");
    WriteArray(f, "bool", "kSingleRoundTrips", singles,
               [](bool v) { return v ? "true" : "false"; });
    std::fprintf(f, "} // namespace Cp932::Tables\n");
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
