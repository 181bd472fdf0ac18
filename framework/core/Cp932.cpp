#include "Cp932.h"

#include "Cp932Tables.h"
#include "SysUtils.h"

#include <cstdint>

namespace Cp932 {

QString Decode(QByteArrayView bytes) {
    return Tables::Decode(Tables::kCodes, bytes);
}

char32_t CharacterAt(QStringView text, qsizetype i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i + 1]);
    return c.unicode();
}

QByteArray Encode(QStringView text) {
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    const qsizetype bad = Tables::EncodeInto(Tables::kCodes, text, &out);
    if (bad >= 0) {
        const int line = int(text.left(bad).count(u'\n')) + 1;
        throw EEncodingError(CharacterAt(text, bad), line);
    }
    return out;
}

qsizetype FirstUnencodable(QStringView text) {
    return Tables::EncodeInto(Tables::kCodes, text, nullptr);
}

bool CanEncode(QStringView text) {
    return FirstUnencodable(text) < 0;
}

void EncodeLines(QStringView text, QByteArray& out, const TUnencodableHandler& unencodable) {
    // Held locally: the stores through char* below may alias anything else.
    const std::uint16_t* const table = Tables::kCodes.Encode;
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
        } else if ((code = table[c]) == Tables::kNoCode) {
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
