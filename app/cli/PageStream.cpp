#include "PageStream.h"

#include "Cp932.h"
#include "SysUtils.h"
#include "TextEncoding.h"
#include "TextFile.h"

#include <QIODevice>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

namespace {

// Input is read in chunks of this size; a chunk that holds no split point
// (a line longer than this) is read on until one comes.
constexpr qsizetype kChunkSize = qsizetype(1) << 20;
// Lines the head puts before the text.
constexpr qint64 kHeadLines = 13;

bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Appends bytes to out with CR LF, lone CR and lone LF all made CR LF;
// returns the number of line breaks. CP932 trail bytes are never CR or LF, so
// this works on the encoded bytes.
qint64 AppendWithCrLf(QByteArrayView bytes, QByteArray& out) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    const char* lf = nullptr; // the next LF at or after p, or end
    qint64 breaks = 0;
    while (p < end) {
        if (!lf || lf < p) {
            lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf)
                lf = end;
        }
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(lf - p)));
        const char* brk = cr ? cr : lf;
        out.append(p, brk - p);
        if (brk == end)
            break;
        out.append("\r\n", 2);
        ++breaks;
        p = brk + 1;
        if (*brk == '\r' && p < end && *p == '\n')
            ++p;
    }
    return breaks;
}

// Decoding then encoding gives back the very bytes wherever each character
// round-trips, which is nearly every file. Which units do is learned once from
// Decode and Encode themselves, and a chunk made only of such units is passed
// through unconverted: the same bytes, several times sooner. Any doubt (a unit
// that does not round-trip or does not decode as one character or two single
// bytes) sends the chunk through Decode and Encode.
class TRoundTripTable {
public:
    static const TRoundTripTable& Get() {
        static const TRoundTripTable table;
        return table;
    }

    bool PassesThrough(QByteArrayView bytes) const {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const auto* const end = p + bytes.size();
        while (p < end) {
            if (FAsciiPlain) {
                p = SkipAscii(p, end);
                if (p == end)
                    break;
            }
            if (p + 1 < end) {
                const Unit u = FPairs[*p << 8 | p[1]];
                if (u == Unit::RoundTrip) {
                    p += 2;
                    continue;
                }
                if (u == Unit::Doubtful)
                    return false;
            }
            if (!FSingles[*p])
                return false;
            ++p;
        }
        return true;
    }

private:
    enum class Unit : unsigned char { NotAPair, RoundTrip, Doubtful };

    static const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
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

    static bool RoundTrips(QByteArrayView bytes, const QString& text) {
        try {
            return Cp932::Encode(text) == bytes;
        } catch (const EEncodingError&) {
            return false;
        }
    }

    static QString DecodeBytes(std::initializer_list<unsigned char> bytes) {
        return Cp932::Decode(QByteArrayView(bytes.begin(), qsizetype(bytes.size())));
    }

    // What the decoder does with byte b followed by t: one character of both
    // (round-tripping or not), or b alone, after which t starts afresh.
    Unit Classify(unsigned char b, unsigned char t, const QString* alone,
                  const int* pairMate) const {
        const QString text = DecodeBytes({b, t});
        if (text.size() == 1) {
            const char bytes[2] = {char(b), char(t)};
            return RoundTrips(QByteArrayView(bytes, 2), text) ? Unit::RoundTrip : Unit::Doubtful;
        }
        if (text != alone[b] + alone[t])
            return Unit::Doubtful;
        // When t can start a character, only a third byte shows whether b
        // was taken alone or together with t.
        if (pairMate[t] >= 0) {
            const auto y = static_cast<unsigned char>(pairMate[t]);
            if (DecodeBytes({b, t, y}) != alone[b] + DecodeBytes({t, y}))
                return Unit::Doubtful;
        }
        return Unit::NotAPair;
    }

    TRoundTripTable() : FPairs(256 * 256, Unit::Doubtful) {
        QString alone[256];
        int pairMate[256]; // a byte that forms one character after b, or -1
        for (int b = 0; b < 256; ++b) {
            const char byte[1] = {char(b)};
            alone[b] = Cp932::Decode(QByteArrayView(byte, 1));
            FSingles[b] = alone[b].size() == 1 && RoundTrips(QByteArrayView(byte, 1), alone[b]);
            pairMate[b] = -1;
            for (int t = 0; t < 256 && pairMate[b] < 0; ++t)
                if (DecodeBytes({(unsigned char)b, (unsigned char)t}).size() == 1)
                    pairMate[b] = t;
        }
        FAsciiPlain = true;
        for (int b = 0; b < 256; ++b) {
            for (int t = 0; t < 256; ++t) {
                const Unit u = Classify((unsigned char)b, (unsigned char)t, alone, pairMate);
                FPairs[size_t(b << 8 | t)] = u;
                if (b < 0x80 && u != Unit::NotAPair)
                    FAsciiPlain = false;
            }
            if (b < 0x80 && !FSingles[b])
                FAsciiPlain = false;
        }
    }

    bool FSingles[256];
    bool FAsciiPlain; // every ASCII byte stands alone and round-trips
    std::vector<Unit> FPairs;
};

// Chunks smaller than this are converted directly; the table pays off on
// large inputs only.
constexpr qsizetype kPassThroughMinimum = 64 * 1024;

// Encodes text whose first line is page line firstLine; a character CP932
// cannot hold raises the error naming its page line.
QByteArray EncodeText(const QString& text, qint64 firstLine) {
    try {
        return Cp932::Encode(text);
    } catch (const EEncodingError&) {
        // Encode counts LFs only; count every kind of line break.
        try {
            Cp932::Encode(NormalizeLineBreaks(text));
        } catch (const EEncodingError& e) {
            throw EEncodingError(e.Character(), int(e.Line() + firstLine - 1));
        }
        throw;
    }
}

qint64 AppendPageText(const QString& text, qint64 firstLine, bool charRefs, QByteArray& out) {
    const QByteArray encoded =
        charRefs ? Cp932::Encode(WithCharacterReferences(text)) : EncodeText(text, firstLine);
    return AppendWithCrLf(encoded, out);
}

void WriteAll(QIODevice& out, QByteArrayView bytes, const QString& outputName) {
    if (out.write(bytes.data(), bytes.size()) != bytes.size())
        throw EFCreateError(outputName, out.errorString());
}

// The number of line breaks when every one is already CR LF, else -1.
qint64 CrLfBreaks(QByteArrayView bytes) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    qint64 lfs = 0;
    for (const char* p = begin;
         (p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))); ++p, ++lfs)
        if (p == begin || p[-1] != '\r')
            return -1;
    for (const char* p = begin;
         (p = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)))); ++p)
        if (p + 1 == end || p[1] != '\n')
            return -1;
    return lfs;
}

// Writes the page text of piece, which starts on page line firstLine;
// returns the number of line breaks. scratch is reused between calls.
qint64 WriteInput(const TInputDecoder& decoder, QByteArrayView piece, qint64 firstLine,
                  bool charRefs, QIODevice& out, const QString& outputName, QByteArray& scratch) {
    scratch.clear();
    qint64 breaks;
    if (piece.size() < kPassThroughMinimum || !decoder.PassesThrough(piece)) {
        breaks = AppendPageText(decoder.Decode(piece), firstLine, charRefs, scratch);
    } else if ((breaks = CrLfBreaks(piece)) >= 0) {
        WriteAll(out, piece, outputName); // already as the page has it
        return breaks;
    } else {
        breaks = AppendWithCrLf(piece, scratch);
    }
    WriteAll(out, scratch, outputName);
    return breaks;
}

} // namespace

TInputDecoder TInputDecoder::Detect(QByteArrayView) {
    return {};
}

QString TInputDecoder::Decode(QByteArrayView bytes) const {
    return Cp932::Decode(bytes);
}

bool TInputDecoder::PassesThrough(QByteArrayView bytes) const {
    return TRoundTripTable::Get().PassesThrough(bytes);
}

qsizetype TInputDecoder::SplitPoint(QByteArrayView bytes) const {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (const void* lf = memrchr(data, '\n', size_t(bytes.size())))
        return static_cast<const unsigned char*>(lf) - data + 1;
    // A line longer than the chunk: a byte that cannot start a two-byte
    // character ends one wherever it stands (alone or as a trail byte).
    for (qsizetype i = bytes.size(); i > 0; --i)
        if (!IsCp932LeadByte(data[i - 1]) && data[i - 1] != '\r')
            return i;
    return 0;
}

QByteArray EncodePageText(const QString& text, qint64 firstLine, bool charRefs) {
    QByteArray out;
    AppendPageText(text, firstLine, charRefs, out);
    return out;
}

void WritePage(QIODevice& in, QIODevice& out, const TPageSettings& page, const QString& inputName,
               const QString& outputName, const TPageStreamOptions& options) {
    QByteArray chunk;
    chunk.reserve(kChunkSize * 5 / 4);
    AppendPageText(PageHeadLines(page).join(u'\n') + u'\n', 1, options.CharRefs, chunk);
    WriteAll(out, chunk, outputName);

    qint64 line = kHeadLines + 1;
    qint64 consumed = 0;
    bool endsWithBreak = true; // an empty text needs no break before the tail
    std::optional<TInputDecoder> decoder;
    QByteArray buffer;
    buffer.reserve(kChunkSize * 2);
    for (bool eof = false; !eof;) {
        const qsizetype held = buffer.size();
        buffer.resize(held + kChunkSize);
        const qint64 got = in.read(buffer.data() + held, kChunkSize);
        if (got < 0)
            throw EFOpenError(inputName, in.errorString());
        buffer.resize(held + got);
        eof = got == 0;
        if (!decoder)
            decoder = TInputDecoder::Detect(buffer);
        const qsizetype take = eof ? buffer.size() : decoder->SplitPoint(buffer);
        if (take == 0)
            continue;
        const QByteArrayView piece = QByteArrayView(buffer).first(take);
        line += WriteInput(*decoder, piece, line, options.CharRefs, out, outputName, chunk);
        endsWithBreak = piece.back() == '\n' || piece.back() == '\r';
        buffer.remove(0, take);
        consumed += take;
        if (options.OnProgress)
            options.OnProgress(consumed);
    }

    // The tail's first line takes the place of the empty line after a final
    // line break; a text without one ends its last line first.
    chunk.clear();
    if (!endsWithBreak) {
        chunk.append("\r\n", 2);
        ++line;
    }
    AppendPageText(PageTailLines(page).join(u'\n'), line, options.CharRefs, chunk);
    WriteAll(out, chunk, outputName);
}
