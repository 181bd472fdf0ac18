#include "Cp932.h"

#include "Cp932Tables.h"
#include "SysUtils.h"

#include <cstdint>
#include <cstring>

namespace Cp932 {

QString Decode(QByteArrayView bytes) {
    return Tables::Decode(Tables::kCodes, bytes);
}

namespace {

char32_t CharacterAt(QStringView text, qsizetype i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i + 1]);
    return c.unicode();
}

const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (std::uint64_t word; end - p >= 8; p += 8) {
        std::memcpy(&word, p, 8);
        if (word & kHighBits)
            break;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

} // namespace

QByteArray Encode(QStringView text) {
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    const qsizetype bad = Tables::EncodeInto(Tables::kCodes, text, &out);
    if (bad >= 0) {
        const int line = int(text.left(bad).count(u'\n')) + 1;
        throw EEncodingError(CharacterAt(text, bad), line);
    }
    return out;
}

bool CanEncode(QStringView text) {
    return Tables::EncodeInto(Tables::kCodes, text, nullptr) < 0;
}

bool PassesThrough(QByteArrayView bytes) {
    using Tables::TPair;
    const Tables::TRoundTripTables& t = Tables::kRoundTrip;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (t.AsciiPlain) {
            p = SkipAscii(p, end);
            if (p == end)
                break;
        }
        if (p + 1 < end) {
            const TPair u = t.Pairs[*p << 8 | p[1]];
            if (u == TPair::RoundTrip) {
                p += 2;
                continue;
            }
            if (u == TPair::Doubtful)
                return false;
        }
        if (!t.Singles[*p])
            return false;
        ++p;
    }
    return true;
}

} // namespace Cp932
