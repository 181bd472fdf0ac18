#include "Cp932.h"
#include "Cp932Tables.h"

namespace Cp932::Tables {

QString Decode(const TCodeTables& t, QByteArrayView bytes) {
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
            *dst++ = c == kNoChar ? char16_t(EscapeBase + b) : c;
            ++p;
        } else if (p + 1 < end && IsTrailByte(p[1])) {
            const char16_t c = t.Double[b << 8 | p[1]];
            if (c == kNoChar) {
                *dst++ = char16_t(EscapeBase + b);
                *dst++ = char16_t(EscapeBase + p[1]);
            } else {
                *dst++ = c;
            }
            p += 2;
        } else { // a lead byte without a trail byte: the next byte stands alone
            *dst++ = char16_t(EscapeBase + b);
            ++p;
        }
    }
    out.truncate(dst - start);
    return out;
}

qsizetype EncodeInto(const TCodeTables& t, QStringView text, QByteArray* out) {
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

} // namespace Cp932::Tables
