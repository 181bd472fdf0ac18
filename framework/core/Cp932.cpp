#include "Cp932.h"

#include "SysUtils.h"

#include <array>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <vector>

namespace Cp932 {
namespace {

constexpr char16_t kInvalid = 0xFFFF;
constexpr std::uint16_t kNoCode = 0;

bool IsLeadByte(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrailByte(unsigned b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
char16_t EscapeOf(unsigned b) {
    return char16_t(EscapeBase + b);
}

// Tables built once from glibc iconv, whose CP932 is the Windows table. Every
// code that decodes to one BMP character is kept; the encoding of each such
// character is the one iconv's encoder gives, so the duplicates (NEC row 13,
// NEC-selected IBM and IBM extensions) decode to their characters and encode
// to the code the platform prefers.
struct Tables {
    std::array<char16_t, 256> Single{};
    std::vector<char16_t> Double = std::vector<char16_t>(256 * 256, kInvalid);
    // Unicode -> code; single bytes as 0x00NN, pairs as 0xLLTT. kNoCode for
    // none (U+0000 is handled separately).
    std::vector<std::uint16_t> Encode = std::vector<std::uint16_t>(65536, kNoCode);

    Tables() {
        Single.fill(kInvalid);
        iconv_t dec = iconv_open("UTF-16LE", "CP932");
        iconv_t enc = iconv_open("CP932", "UTF-16LE");
        if (dec == iconv_t(-1) || enc == iconv_t(-1))
            throw Exception(QStringLiteral("CP932 変換を初期化できません"));
        for (unsigned b = 0; b < 256; ++b) {
            if (IsLeadByte(b))
                continue;
            const unsigned char in[1] = {static_cast<unsigned char>(b)};
            Register(dec, enc, in, 1);
        }
        for (unsigned lead = 0; lead < 256; ++lead) {
            if (!IsLeadByte(lead))
                continue;
            for (unsigned trail = 0; trail < 256; ++trail) {
                if (!IsTrailByte(trail))
                    continue;
                const unsigned char in[2] = {static_cast<unsigned char>(lead),
                                             static_cast<unsigned char>(trail)};
                Register(dec, enc, in, 2);
            }
        }
        iconv_close(dec);
        iconv_close(enc);
    }

    void Register(iconv_t dec, iconv_t enc, const unsigned char* bytes, size_t n) {
        const char16_t c = Convert16(dec, bytes, n);
        if (c == kInvalid || IsEscape(c))
            return;
        if (n == 1)
            Single[bytes[0]] = c;
        else
            Double[size_t(bytes[0] << 8 | bytes[1])] = c;
        if (Encode[c] != kNoCode)
            return;
        unsigned char back[4];
        const size_t m = ConvertBack(enc, c, back);
        if (m == 1)
            Encode[c] = back[0];
        else if (m == 2)
            Encode[c] = std::uint16_t(back[0] << 8 | back[1]);
    }

    static char16_t Convert16(iconv_t cd, const unsigned char* bytes, size_t n) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
        size_t inLeft = n;
        char16_t out[4];
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        if (iconv(cd, &in, &inLeft, &outp, &outLeft) == size_t(-1) || inLeft != 0)
            return kInvalid;
        if (sizeof out - outLeft != 2)
            return kInvalid; // several units or a surrogate pair
        return out[0];
    }

    static size_t ConvertBack(iconv_t cd, char16_t c, unsigned char* out) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = reinterpret_cast<char*>(&c);
        size_t inLeft = 2;
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = 4;
        if (iconv(cd, &in, &inLeft, &outp, &outLeft) == size_t(-1) || inLeft != 0)
            return 0;
        return 4 - outLeft;
    }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

} // namespace

QString Decode(QByteArrayView bytes) {
    const Tables& t = GetTables();
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    char16_t* const start = dst;
    while (p < end) {
        const unsigned b = *p;
        if (b < 0x80) { // ASCII is CP932's own, NUL included
            *dst++ = char16_t(b);
            ++p;
        } else if (!IsLeadByte(b)) {
            const char16_t c = t.Single[b];
            *dst++ = c == kInvalid ? EscapeOf(b) : c;
            ++p;
        } else if (p + 1 < end && IsTrailByte(p[1])) {
            const char16_t c = t.Double[b << 8 | p[1]];
            if (c == kInvalid) {
                *dst++ = EscapeOf(b);
                *dst++ = EscapeOf(p[1]);
            } else {
                *dst++ = c;
            }
            p += 2;
        } else { // a lead byte without a trail byte: the next byte stands alone
            *dst++ = EscapeOf(b);
            ++p;
        }
    }
    out.truncate(dst - start);
    return out;
}

namespace {

// Returns the index of the first character that cannot be encoded, or -1;
// appends the encoding to out when out is given.
qsizetype EncodeInto(QStringView text, QByteArray* out) {
    const Tables& t = GetTables();
    char* dst = out ? out->data() : nullptr;
    const char16_t* src = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        unsigned code;
        if (c < 0x80) {
            code = c;
        } else if (IsEscape(c)) {
            code = c - EscapeBase;
        } else {
            code = t.Encode[c];
            if (code == kNoCode)
                return i;
        }
        if (!dst)
            continue;
        if (code > 0xFF)
            *dst++ = char(code >> 8);
        *dst++ = char(code & 0xFF);
    }
    if (out)
        out->truncate(dst - out->data());
    return -1;
}

char32_t CharacterAt(QStringView text, qsizetype i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i + 1]);
    return c.unicode();
}

} // namespace

QByteArray Encode(QStringView text) {
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    const qsizetype bad = EncodeInto(text, &out);
    if (bad >= 0) {
        const int line = int(text.left(bad).count(u'\n')) + 1;
        throw EEncodingError(CharacterAt(text, bad), line);
    }
    return out;
}

bool CanEncode(QStringView text) {
    return EncodeInto(text, nullptr) < 0;
}

void EncodeLines(QStringView text, QByteArray& out, const TUnencodableHandler& unencodable) {
    // Held locally: the stores through char* below may alias anything else.
    const std::uint16_t* const table = GetTables().Encode.data();
    const char16_t* src = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    // A character takes at most two bytes, and so does a line break.
    qsizetype used = out.size();
    out.resize(used + 2 * n);
    char* dst = out.data() + used;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        unsigned code;
        if (c < 0x80) {
            if (c == u'\n')
                *dst++ = '\r';
            *dst++ = char(c);
            continue;
        }
        if (IsEscape(c)) {
            code = c - EscapeBase;
        } else if ((code = table[c]) == kNoCode) {
            if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
                *dst++ = '\r';
                *dst++ = '\n';
                continue;
            }
            const qsizetype len =
                QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1]) ? 2 : 1;
            out.truncate(dst - out.data());
            unencodable(i, len, out);
            i += len - 1;
            used = out.size();
            out.resize(used + 2 * (n - i - 1));
            dst = out.data() + used;
            continue;
        }
        if (code > 0xFF)
            *dst++ = char(code >> 8);
        *dst++ = char(code & 0xFF);
    }
    out.truncate(dst - out.data());
}

} // namespace Cp932
