// The program's 8-bit code page, CP932, whatever the locale.
//
// Decoding never loses a byte: a byte that does not start a CP932 character
// that maps back to the same bytes becomes a private-use escape character
// (U+F780 + byte - 0x80) and encodes back to that byte.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace Cp932 {

constexpr char16_t EscapeBase = 0xF700; // escape of byte b (>= 0x80) is EscapeBase + b

QString Decode(QByteArrayView bytes);

// Raises EEncodingError naming the first character CP932 cannot hold and its
// line (counted by LF) when one occurs.
QByteArray Encode(QStringView text);

// True when every character of text can be encoded.
bool CanEncode(QStringView text);

} // namespace Cp932
