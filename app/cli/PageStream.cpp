#include "PageStream.h"

#include "Cp932.h"
#include "SysUtils.h"
#include "TextEncoding.h"
#include "TextFile.h"

#include <QIODevice>
#include <cstring>
#include <optional>

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
    if (!decoder.PassesThrough(piece)) {
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
    return Cp932::PassesThrough(bytes);
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
