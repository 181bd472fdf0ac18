// Writes the code page's tables (Cp932Tables.h) as C++ source, at build time.
//
// The code tables come from glibc iconv, whose CP932 is the Windows table.
// Every code that decodes to one BMP character is kept; the encoding of each
// such character is the one iconv's encoder gives, so the duplicates (NEC row
// 13, NEC-selected IBM and IBM extensions) decode to their characters and
// encode to the code the platform prefers.
//
// The pass-through tables are then learned from the codec's own Decode and
// Encode over those code tables: every byte pair, with a third byte where a
// pair's reading depends on it.
#include "Cp932.h"
#include "Cp932Tables.h"

#include <array>
#include <cstdio>
#include <iconv.h>
#include <initializer_list>
#include <vector>

namespace {

using namespace Cp932::Tables;

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

class TRoundTripData {
public:
    explicit TRoundTripData(const TCodeTables& codes) : FCodes(codes) {
        for (int b = 0; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            FAlone[size_t(b)] = DecodeBytes({byte});
            Singles[size_t(b)] = FAlone[size_t(b)].size() == 1 && RoundTrips({byte});
            FPairMate[size_t(b)] = -1;
            for (int t = 0; t < 256 && FPairMate[size_t(b)] < 0; ++t)
                if (DecodeBytes({byte, static_cast<unsigned char>(t)}).size() == 1)
                    FPairMate[size_t(b)] = t;
        }
        for (int b = 0; b < 256; ++b) {
            for (int t = 0; t < 256; ++t) {
                const TPair u =
                    Classify(static_cast<unsigned char>(b), static_cast<unsigned char>(t));
                Pairs[size_t(b << 8 | t)] = u;
                if (b < 0x80 && u != TPair::NotAPair)
                    AsciiPlain = false;
            }
            if (b < 0x80 && !Singles[size_t(b)])
                AsciiPlain = false;
        }
    }

    std::array<bool, 256> Singles{};
    std::vector<TPair> Pairs = std::vector<TPair>(65536, TPair::Doubtful);
    bool AsciiPlain = true;

private:
    QString DecodeBytes(std::initializer_list<unsigned char> bytes) const {
        return Decode(FCodes, QByteArrayView(bytes.begin(), qsizetype(bytes.size())));
    }

    bool RoundTrips(std::initializer_list<unsigned char> bytes) const {
        const QString text = DecodeBytes(bytes);
        QByteArray back(text.size() * 2, Qt::Uninitialized);
        return EncodeInto(FCodes, text, &back) < 0 &&
               back == QByteArrayView(bytes.begin(), qsizetype(bytes.size()));
    }

    TPair Classify(unsigned char b, unsigned char t) const {
        const QString text = DecodeBytes({b, t});
        if (text.size() == 1)
            return RoundTrips({b, t}) ? TPair::RoundTrip : TPair::Doubtful;
        if (text != FAlone[b] + FAlone[t])
            return TPair::Doubtful;
        // When t can start a character, only a third byte shows whether b
        // was taken alone or together with t.
        if (FPairMate[t] >= 0) {
            const auto y = static_cast<unsigned char>(FPairMate[t]);
            if (DecodeBytes({b, t, y}) != FAlone[b] + DecodeBytes({t, y}))
                return TPair::Doubtful;
        }
        return TPair::NotAPair;
    }

    const TCodeTables& FCodes;
    std::array<QString, 256> FAlone;
    std::array<int, 256> FPairMate{};
};

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
    const TRoundTripData roundTrip(view);

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
    WriteArray(f, "bool", "kSingles", roundTrip.Singles,
               [](bool v) { return v ? "true" : "false"; });
    std::fprintf(
        f, "constexpr TPair N = TPair::NotAPair, R = TPair::RoundTrip, D = TPair::Doubtful;\n");
    WriteArray(f, "TPair", "kPairs", roundTrip.Pairs, [](TPair v) {
        return v == TPair::NotAPair ? "N" : v == TPair::RoundTrip ? "R" : "D";
    });
    std::fprintf(f,
                 "} // namespace\n\n"
                 "const TCodeTables kCodes{kSingle, kDouble, kEncode};\n"
                 "const TRoundTripTables kRoundTrip{kSingles, kPairs, %s};\n\n"
                 "} // namespace Cp932::Tables\n",
                 roundTrip.AsciiPlain ? "true" : "false");
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
