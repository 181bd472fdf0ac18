#include "TextEncoding.h"

#include "Cp932.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

using Byte = unsigned char;

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The length of the well-formed UTF-8 sequence at p, or 0.
int Utf8SequenceLength(const Byte* p, const Byte* end) {
    const unsigned b = p[0];
    if (b < 0x80)
        return 1;
    const auto continues = [](unsigned c) { return (c & 0xC0) == 0x80; };
    const qsizetype left = end - p;
    if (b < 0xC2)
        return 0; // a continuation byte, or the lead of an overlong pair
    if (b < 0xE0)
        return left >= 2 && continues(p[1]) ? 2 : 0;
    if (b < 0xF0) {
        if (left < 3)
            return 0;
        const unsigned lo = b == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        const unsigned hi = b == 0xED ? 0x9F : 0xBF; // no surrogates
        return p[1] >= lo && p[1] <= hi && continues(p[2]) ? 3 : 0;
    }
    if (b < 0xF5) {
        if (left < 4)
            return 0;
        const unsigned lo = b == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = b == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
        return p[1] >= lo && p[1] <= hi && continues(p[2]) && continues(p[3]) ? 4 : 0;
    }
    return 0;
}

// Skips ASCII sixteen bytes at a time.
const Byte* SkipAscii(const Byte* p, const Byte* end) {
    while (end - p >= 16) {
        std::uint64_t a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        if ((a | b) & kHighBits)
            break;
        p += 16;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

bool StartsWith(QByteArrayView bytes, const char* mark) {
    return bytes.startsWith(QByteArrayView(mark));
}

std::optional<TTextEncoding> MarkedEncoding(QByteArrayView bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF"))
        return TTextEncoding::Utf8;
    if (StartsWith(bytes, "\xFF\xFE"))
        return TTextEncoding::Utf16LE;
    if (StartsWith(bytes, "\xFE\xFF"))
        return TTextEncoding::Utf16BE;
    return std::nullopt;
}

qsizetype MarkSize(TTextEncoding encoding) {
    return encoding == TTextEncoding::Utf8 ? 3 : 2;
}

QString DecodeUtf16(QByteArrayView bytes, bool bigEndian, bool& malformed) {
    const auto* p = reinterpret_cast<const Byte*>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    const auto unitAt = [&](qsizetype i) -> char16_t {
        const Byte a = p[2 * i], b = p[2 * i + 1];
        return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    };
    QString out(units + (bytes.size() & 1), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unitAt(i);
        if (QChar::isHighSurrogate(u) && i + 1 < units && QChar::isLowSurrogate(unitAt(i + 1))) {
            *dst++ = u;
            *dst++ = unitAt(++i);
        } else if (QChar::isSurrogate(u)) {
            *dst++ = kReplacement;
            malformed = true;
        } else {
            *dst++ = u;
        }
    }
    if (bytes.size() & 1) { // a last byte without its pair
        *dst++ = kReplacement;
        malformed = true;
    }
    return out;
}

// UTF-8 with every byte that starts no well-formed sequence kept as the code
// page's byte escape, so a save writes it back unchanged.
QString DecodeUtf8Lossless(QByteArrayView bytes, bool knownValid, bool& malformed) {
    if (knownValid || IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    const auto* begin = reinterpret_cast<const Byte*>(bytes.data());
    const auto* end = begin + bytes.size();
    const Byte* run = begin;
    const Byte* p = begin;
    while (p < end) {
        const int n = Utf8SequenceLength(p, end);
        if (n > 0) {
            p += n;
            continue;
        }
        out.append(QString::fromUtf8(reinterpret_cast<const char*>(run), p - run));
        out.append(QChar(char16_t(Cp932::EscapeBase + *p)));
        malformed = true;
        run = ++p;
    }
    out.append(QString::fromUtf8(reinterpret_cast<const char*>(run), p - run));
    return out;
}

// The length of head without a UTF-8 sequence cut at its end.
qsizetype WholeUtf8Length(QByteArrayView head) {
    const qsizetype n = head.size();
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const Byte b = Byte(head[n - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: look further back
        const int need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return need > back ? n - back : n;
    }
    return n;
}

// The length of UTF-16 head without an odd byte or a high surrogate cut from
// its low one at the end.
qsizetype WholeUtf16Length(QByteArrayView head, bool bigEndian) {
    qsizetype n = head.size() & ~qsizetype(1);
    if (n >= 2) {
        const Byte a = Byte(head[n - 2]), b = Byte(head[n - 1]);
        if (QChar::isHighSurrogate(bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a)))
            n -= 2;
    }
    return n;
}

bool IsUtf16(TTextEncoding e) {
    return e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE;
}

// Validates UTF-8 that arrives in pieces: a sequence cut by the end of one
// piece is completed from the next.
class TUtf8Scan {
public:
    // False as soon as the bytes so far cannot be the start of valid UTF-8.
    bool Feed(QByteArrayView piece) {
        if (!FCut.isEmpty() && !Complete(piece))
            return false;
        if (piece.isEmpty())
            return true;
        const qsizetype whole = WholeUtf8Length(piece);
        bool multibyte = false;
        if (!IsValidUtf8(piece.first(whole), &multibyte))
            return false;
        FMultibyte |= multibyte;
        FCut = piece.sliced(whole).toByteArray();
        return true;
    }
    // Whether the whole input was valid with a multibyte sequence.
    bool IsUtf8() const { return FCut.isEmpty() && FMultibyte; }

private:
    // Takes from piece the rest of the sequence cut at the previous piece's
    // end; piece is advanced past it.
    bool Complete(QByteArrayView& piece) {
        const qsizetype take = std::min<qsizetype>(4 - FCut.size(), piece.size());
        const QByteArray joined = FCut + piece.first(take).toByteArray();
        const auto* p = reinterpret_cast<const Byte*>(joined.constData());
        const int n = Utf8SequenceLength(p, p + joined.size());
        if (n == 0) {
            // Still short of its length: the piece was tinier than the cut.
            if (take == piece.size() && WholeUtf8Length(joined) == 0) {
                FCut = joined;
                piece = {};
                return true;
            }
            return false;
        }
        piece = piece.sliced(n - FCut.size());
        FCut.clear();
        FMultibyte = true;
        return true;
    }

    QByteArray FCut;
    bool FMultibyte = false;
};

// The length of the character at i: two for a surrogate pair.
qsizetype CharacterLength(QStringView text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

char32_t CodePoint(QStringView character) {
    return character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                 : character[0].unicode();
}

// "&#x20B9F;": a hexadecimal numeric character reference.
QByteArray Reference(char32_t c) {
    return "&#x" + QByteArray::number(c, 16).toUpper() + ';';
}

// The 1-based line of text[i], lines ending at LF or a text document's
// separators.
int LineOf(QStringView text, qsizetype i) {
    int line = 1;
    for (const QChar c : text.first(i))
        line += c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
    return line;
}

// Calls visit(index, length) for each character CP932 cannot hold.
template <typename Visit> void ForEachUnencodable(QStringView text, Visit visit) {
    for (qsizetype from = 0;;) {
        const qsizetype bad = Cp932::FirstUnencodable(text.sliced(from));
        if (bad < 0)
            return;
        const qsizetype at = from + bad;
        const qsizetype len = CharacterLength(text, at);
        visit(at, len);
        from = at + len;
    }
}

} // namespace

QString EncodingName(TTextEncoding encoding) {
    switch (encoding) {
    case TTextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TTextEncoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case TTextEncoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    case TTextEncoding::Cp932:
        break;
    }
    return QStringLiteral("Shift-JIS");
}

bool IsValidUtf8(QByteArrayView bytes, bool* multibyte) {
    const auto* p = reinterpret_cast<const Byte*>(bytes.data());
    const auto* end = p + bytes.size();
    bool sawMultibyte = false;
    while (p < end) {
        p = SkipAscii(p, end);
        // A run of multibyte characters (most Japanese text) is walked
        // without going back to the ASCII loop after each one.
        while (p < end && *p >= 0x80) {
            const int n = Utf8SequenceLength(p, end);
            if (n == 0)
                return false;
            sawMultibyte = true;
            p += n;
        }
    }
    if (multibyte)
        *multibyte = sawMultibyte;
    return true;
}

TTextEncoding DetectEncoding(QByteArrayView bytes) {
    return DetectEncoding(bytes, [] { return QByteArrayView(); });
}

TTextEncoding DetectEncoding(QByteArrayView first, const std::function<QByteArrayView()>& next) {
    if (const auto marked = MarkedEncoding(first))
        return *marked;
    TUtf8Scan scan;
    for (QByteArrayView piece = first; !piece.isEmpty(); piece = next())
        if (!scan.Feed(piece))
            return TTextEncoding::Cp932;
    return scan.IsUtf8() ? TTextEncoding::Utf8 : TTextEncoding::Cp932;
}

// Without a mark, ASCII characters show the byte order: their zero byte comes
// first in big-endian text.
TTextEncoding Utf16ByteOrder(QByteArrayView first) {
    if (const auto marked = MarkedEncoding(first); marked && IsUtf16(*marked))
        return *marked;
    qsizetype evenZeros = 0, oddZeros = 0;
    const qsizetype n = std::min<qsizetype>(first.size(), 4096) & ~qsizetype(1);
    for (qsizetype i = 0; i < n; i += 2) {
        evenZeros += first[i] == 0;
        oddZeros += first[i + 1] == 0;
    }
    return evenZeros > oddZeros ? TTextEncoding::Utf16BE : TTextEncoding::Utf16LE;
}

TTextDecoder::TTextDecoder(TTextEncoding encoding, QByteArrayView first, bool detected)
    : FEncoding(encoding),
      FMarkLeft(encoding != TTextEncoding::Cp932 && MarkedEncoding(first) == encoding
                    ? MarkSize(encoding)
                    : 0),
      // Detection has already checked unmarked UTF-8.
      FValidUtf8(detected && FMarkLeft == 0) {}

qsizetype TTextDecoder::SplitPoint(QByteArrayView bytes) const {
    const auto* data = reinterpret_cast<const Byte*>(bytes.data());
    const qsizetype n = bytes.size();
    if (IsUtf16(FEncoding)) {
        const bool bigEndian = FEncoding == TTextEncoding::Utf16BE;
        const auto unitAt = [&](qsizetype i) {
            return bigEndian ? char16_t(data[2 * i] << 8 | data[2 * i + 1])
                             : char16_t(data[2 * i + 1] << 8 | data[2 * i]);
        };
        const qsizetype units = n / 2;
        for (qsizetype i = units; i > 0; --i)
            if (unitAt(i - 1) == u'\n')
                return 2 * i;
        for (qsizetype i = units; i > 0; --i)
            if (unitAt(i - 1) != u'\r' && !QChar::isHighSurrogate(unitAt(i - 1)))
                return 2 * i;
        return 0;
    }
    // A line feed is never part of a CP932 or UTF-8 character.
    if (const void* lf = memrchr(data, '\n', size_t(n)))
        return static_cast<const Byte*>(lf) - data + 1;
    // A line longer than the bytes: cut after a character that is whole.
    qsizetype cut = n;
    if (FEncoding == TTextEncoding::Utf8) {
        cut = WholeUtf8Length(bytes);
    } else {
        // A byte that cannot start a two-byte character ends one wherever it
        // stands (alone or as a trail byte).
        while (cut > 0 && Cp932::IsLeadByte(data[cut - 1]))
            --cut;
    }
    // The character before a CR is whole in either encoding.
    return cut > 0 && data[cut - 1] == '\r' ? cut - 1 : cut;
}

QString TTextDecoder::Decode(QByteArrayView piece) {
    const qsizetype mark = std::min(FMarkLeft, piece.size());
    piece = piece.sliced(mark);
    FMarkLeft -= mark;
    switch (FEncoding) {
    case TTextEncoding::Cp932:
        return Cp932::Decode(piece);
    case TTextEncoding::Utf8:
        return DecodeUtf8Lossless(piece, FValidUtf8, FMalformed);
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE:
        break;
    }
    return DecodeUtf16(piece, FEncoding == TTextEncoding::Utf16BE, FMalformed);
}

TDecodedText DecodeText(QByteArrayView bytes, std::optional<TTextEncoding> as) {
    const TTextEncoding encoding = !as            ? DetectEncoding(bytes)
                                   : IsUtf16(*as) ? Utf16ByteOrder(bytes)
                                                  : *as;
    TTextDecoder decoder(encoding, bytes, !as);
    TDecodedText out;
    out.Text = decoder.Decode(bytes);
    out.Format = {encoding, decoder.Malformed()};
    return out;
}

TDecodedText DecodeTextHead(QByteArrayView head) {
    if (const auto marked = MarkedEncoding(head); marked && IsUtf16(*marked))
        return DecodeText(head.first(WholeUtf16Length(head, *marked == TTextEncoding::Utf16BE)));
    const QByteArrayView whole = head.first(WholeUtf8Length(head));
    if (DetectEncoding(whole) == TTextEncoding::Utf8)
        return DecodeText(whole, TTextEncoding::Utf8);
    // A CP932 lead byte cut from its trail byte shows as its escape: drop it.
    TDecodedText text = DecodeText(head, TTextEncoding::Cp932);
    const qsizetype n = head.size();
    const Byte last = n > 0 ? Byte(head[n - 1]) : 0;
    if (Cp932::IsLeadByte(last) && text.Text.back().unicode() == Cp932::EscapeBase + last)
        text.Text.chop(1);
    return text;
}

TEncodedPage EncodePage(QStringView text) {
    TEncodedPage page;
    TUnencodable& found = page.Unencodable;
    Cp932::EncodeLines(text, page.Bytes, [&](qsizetype i, qsizetype len, QByteArray& out) {
        const char32_t c = CodePoint(text.sliced(i, len));
        if (found.Count++ == 0) {
            found.First = c;
            found.FirstLine = LineOf(text, i);
        }
        out += Reference(c);
    });
    return page;
}

QString WithCharacterReferences(QStringView text) {
    QString out;
    qsizetype done = 0;
    ForEachUnencodable(text, [&](qsizetype i, qsizetype len) {
        if (out.isEmpty())
            out.reserve(text.size() + 16);
        out.append(text.sliced(done, i - done));
        out.append(QLatin1StringView(Reference(CodePoint(text.sliced(i, len)))));
        done = i + len;
    });
    if (done == 0)
        return text.toString();
    out.append(text.sliced(done));
    return out;
}

QByteArray EncodeUtf8Page(QStringView text) {
    QByteArray out;
    out.reserve(text.size() * 3 / 2);
    qsizetype run = 0; // start of the characters not yet written
    const auto flush = [&](qsizetype end) {
        out += text.sliced(run, end - run).toUtf8();
        run = end;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool lineBreak =
            c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
        if (!lineBreak && !Cp932::IsEscape(c))
            continue;
        flush(i);
        if (lineBreak)
            out += "\r\n";
        else
            out += char(c - Cp932::EscapeBase);
        run = i + 1;
    }
    flush(text.size());
    return out;
}
