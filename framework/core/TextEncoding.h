// The encodings of the text files the program reads, and the character
// references that let a Shift-JIS page carry any character.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

enum class TTextEncoding { Cp932, Utf8, Utf16LE, Utf16BE };

// "Shift-JIS", "UTF-8", "UTF-16LE", "UTF-16BE".
QString EncodingName(TTextEncoding encoding);

// How a text was read.
struct TTextFormat {
    TTextEncoding Encoding = TTextEncoding::Cp932;
    // Malformed input: UTF-16 shown as U+FFFD, or bytes that are not UTF-8
    // kept as the code page's byte escapes.
    bool Malformed = false;
};

struct TDecodedText {
    QString Text;
    TTextFormat Format;
};

// Well-formed UTF-8: no overlong forms, surrogates or code points past
// U+10FFFF, and no sequence cut at the end. multibyte, when given, tells
// whether any sequence is longer than one byte (it is left false when the
// bytes are not valid).
bool IsValidUtf8(QByteArrayView bytes, bool* multibyte = nullptr);

// A byte-order mark decides; otherwise valid UTF-8 with at least one
// multibyte sequence is UTF-8, and everything else CP932 (pure ASCII reads
// the same either way).
TTextEncoding DetectEncoding(QByteArrayView bytes);

// DetectEncoding for an input read in pieces: first is its beginning (at
// least a mark's length unless that is all), next gives each further piece in
// turn and an empty one at the end. Further pieces are asked for only while
// everything so far is valid UTF-8 without a mark, so most CP932 inputs are
// told from their first piece.
TTextEncoding DetectEncoding(QByteArrayView first, const std::function<QByteArrayView()>& next);

// The byte order of UTF-16 read as such: a mark decides, else the zero bytes
// of ASCII characters in the first 4 KB do (LE when unclear).
TTextEncoding Utf16ByteOrder(QByteArrayView first);

// Decodes an input that arrives in pieces exactly as DecodeText decodes it
// whole in the same encoding. Each piece but the last must end at a place
// SplitPoint gives.
class TTextDecoder {
public:
    // first: the input's beginning, whose mark of this encoding is dropped.
    // detected: the encoding is DetectEncoding's over the whole input, so
    // unmarked UTF-8 is known to be valid.
    TTextDecoder(TTextEncoding encoding, QByteArrayView first, bool detected = false);

    // Malformed input among the pieces so far (see TTextFormat).
    bool Malformed() const { return FMalformed; }

    // The length of the longest prefix of bytes (which start where the last
    // piece ended) after which decoding can stop and go on with the same
    // characters: after the last line feed where there is one, never inside a
    // character nor between a CR and the LF after it. 0 when there is none.
    qsizetype SplitPoint(QByteArrayView bytes) const;

    // The characters of the next piece; line breaks are left as they are.
    QString Decode(QByteArrayView piece);

private:
    TTextEncoding FEncoding;
    qsizetype FMarkLeft; // bytes of the mark not yet dropped
    bool FValidUtf8;
    bool FMalformed = false;
};

// Decodes in the detected encoding, or in the one given. A mark of the
// encoding used is dropped. For a UTF-16 encoding given, a mark decides the
// byte order, else the zero bytes of ASCII characters do (LE when unclear).
// CP932 is decoded losslessly; so is UTF-8, whose stray bytes become the
// code page's byte escapes. Line breaks are left as they are.
TDecodedText DecodeText(QByteArrayView bytes, std::optional<TTextEncoding> as = std::nullopt);

// DecodeText for the first bytes of a longer file: a character cut by the
// end of head is left out rather than shown as malformed or taken for CP932.
TDecodedText DecodeTextHead(QByteArrayView head);

// The characters of a text that CP932 cannot hold; a character outside the
// Basic Multilingual Plane counts once. The byte escapes of the code page are
// not among them: they are written back as their bytes.
struct TUnencodable {
    qsizetype Count = 0;
    char32_t First = 0;
    int FirstLine = 0; // 1-based
};

// A text as a page file holds it: CP932 with CR LF line breaks, each
// character CP932 cannot hold written as its character reference, and what
// those characters were. Encoded in one pass; line breaks are LF, or U+2029
// and U+2028 as a text document holds them.
struct TEncodedPage {
    QByteArray Bytes;
    TUnencodable Unencodable;
};
TEncodedPage EncodePage(QStringView text);

// The text with every character CP932 cannot hold written as a hexadecimal
// numeric character reference ("&#x20B9F;"), one for each code point.
QString WithCharacterReferences(QStringView text);

// A text as a UTF-8 page file holds it: UTF-8 without a byte-order mark,
// with CR LF line breaks (LF, and U+2029 and U+2028 as a text document holds
// them). The byte escapes of the code page are written back as their bytes.
QByteArray EncodeUtf8Page(QStringView text);
