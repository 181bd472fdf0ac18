// The program's 8-bit code page, CP932, whatever the locale.
//
// Every code the code page defines decodes to its character, the NEC and IBM
// duplicates included; encoding takes the code the platform's own conversion
// prefers, so a duplicate saves under its preferred code. Decoding never loses
// a byte: a byte that starts no CP932 character becomes a private-use escape
// character (U+F700 + byte) that encodes back to that byte. A lead byte and a
// trail byte that form no character escape both, so no character that was not
// in the text appears (an ASCII trail byte escapes to U+F740-U+F77E).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>

namespace Cp932 {

constexpr char16_t EscapeBase = 0xF700; // escape of byte b is EscapeBase + b

constexpr bool IsLeadByte(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsTrailByte(unsigned b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// True for the escape of a byte (0x40-0x7E after a lead byte, or 0x80-0xFF).
constexpr bool IsEscape(char16_t c) {
    return (c >= EscapeBase + 0x40 && c <= EscapeBase + 0x7E) ||
           (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF);
}

QString Decode(QByteArrayView bytes);

// The character at index i, a surrogate pair taken whole.
char32_t CharacterAt(QStringView text, qsizetype i);

// Raises EEncodingError naming the first character CP932 cannot hold and its
// line (counted by LF) when one occurs.
QByteArray Encode(QStringView text);

// True when every character of text can be encoded.
bool CanEncode(QStringView text);
// The index of the first character that cannot be encoded, or -1.
qsizetype FirstUnencodable(QStringView text);

// Receives a character CP932 cannot hold: its index and length in the text
// (two for a surrogate pair); what it appends to out stands for it.
using TUnencodableHandler = std::function<void(qsizetype index, qsizetype length, QByteArray& out)>;

// Appends the encoding of text to out with every line break written as CR LF:
// LF, and U+2029 and U+2028, which a text document holds between lines.
void EncodeLines(QStringView text, QByteArray& out, const TUnencodableHandler& unencodable);

} // namespace Cp932
