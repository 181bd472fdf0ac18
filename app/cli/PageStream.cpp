#include "PageStream.h"

#include "Cp932.h"
#include "Cp932Tables.h"
#include "SysUtils.h"
#include "TextEncoding.h"

#include <QIODevice>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Input is read in chunks of this size, small enough to stay in the
// processor's cache between reading, checking and writing; a chunk that holds
// no split point (a line longer than this) is read on until one comes.
constexpr qsizetype kChunkSize = qsizetype(256) << 10;
// Lines the head puts before the text.
constexpr qint64 kHeadLines = 13;

using Cp932::IsLeadByte;
using Cp932::IsTrailByte;

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

// --- CP932 written as it is ---------------------------------------------

// Sixteen bytes at a time, in the compiler's portable vector type.
using TBytes16 = unsigned char __attribute__((vector_size(16)));

TBytes16 Load16(const unsigned char* p) {
    TBytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

TBytes16 Splat16(unsigned char b) {
    TBytes16 v;
    for (int i = 0; i < 16; ++i)
        v[i] = b;
    return v;
}

bool Any(TBytes16 v) {
    std::uint64_t half[2];
    std::memcpy(half, &v, sizeof half);
    return (half[0] | half[1]) != 0;
}

qint64 Sum(TBytes16 v) {
    qint64 sum = 0;
    for (int i = 0; i < 16; ++i)
        sum += v[i];
    return sum;
}

// What a chunk of CP932 needs on its way into the page.
struct TCp932Scan {
    bool RoundTrips = true; // decoding and encoding give the bytes back
    bool CrLfOnly = true;   // every line break is already CR LF
    qint64 LineFeeds = 0;
};

// Decoding CP932 loses no byte (a byte that starts no character becomes an
// escape that encodes back to it), so decoding and encoding give the bytes
// back except where a character has two codes and encodes under the other
// (the NEC and IBM duplicates). Which codes those are is read from the
// generated code tables at first use; a chunk with none of them is written as it is, several
// times sooner than converted. Their lead bytes are few, so a chunk is
// searched for those sixteen bytes at a time, and only where one turns up is
// it told whether that byte starts a character.
class TDuplicateCodes {
public:
    static const TDuplicateCodes& Get() {
        static const TDuplicateCodes codes;
        return codes;
    }

    TCp932Scan Scan(QByteArrayView bytes) const {
        TCp932Scan scan;
        if (!FUsable) {
            scan.RoundTrips = false;
            return scan;
        }
        TScan s(*this, bytes);
        scan.RoundTrips = s.Run();
        scan.CrLfOnly = s.CrLfOnly;
        scan.LineFeeds = s.LineFeeds;
        return scan;
    }

private:
    static constexpr size_t kMaxLeads = 4;

    // From the code page's tables, made at build time: a pair is a duplicate
    // when its character encodes under another code.
    TDuplicateCodes() : FDuplicate(256 * 256, false) {
        using namespace Cp932::Tables;
        FIsLead.fill(false);
        FUsable = true;
        for (int b = 0; b < 256; ++b) {
            if (!kSingleRoundTrips[b])
                FUsable = false; // a single byte that does not: convert everything
            if (!IsLeadByte((unsigned char)b))
                continue;
            for (int t = 0; t < 256; ++t) {
                const int code = b << 8 | t;
                const char16_t c = kCodes.Double[code];
                if (!IsTrailByte((unsigned char)t) || c == kNoChar || kCodes.Encode[c] == code)
                    continue;
                FDuplicate[size_t(code)] = true;
                if (!FIsLead[size_t(b)])
                    FLeads.push_back((unsigned char)b);
                FIsLead[size_t(b)] = true;
            }
        }
        if (FLeads.size() > kMaxLeads)
            FUsable = false;
        // Unused places repeat a lead (or hold a byte that is no lead).
        for (size_t i = 0; i < kMaxLeads; ++i)
            FLeadVectors[i] = Splat16(FLeads.empty() ? 0x80 : FLeads[i % FLeads.size()]);
    }

    // One pass over a chunk, which starts at a character's start.
    struct TScan {
        TScan(const TDuplicateCodes& codes, QByteArrayView bytes)
            : Codes(codes), P(reinterpret_cast<const unsigned char*>(bytes.data())),
              N(bytes.size()) {}

        // False at the first duplicate code.
        bool Run() {
            qsizetype i = std::min<qsizetype>(N, 1);
            if (!Bytes(0, i))
                return false;
            // Each block is compared with the block one byte before it: a LF
            // must stand where a CR stood before it, and nowhere else.
            TBytes16 stray{};
            while (N - i >= 16) {
                // Line feeds are counted per lane, up to 255 blocks at once.
                const qsizetype stop = i + 16 * std::min<qsizetype>((N - i) / 16, 255);
                TBytes16 count{};
                for (; i < stop; i += 16) {
                    const TBytes16 v = Load16(P + i);
                    const auto lf = TBytes16(v == '\n');
                    stray |= lf ^ TBytes16(Load16(P + i - 1) == '\r');
                    count -= lf; // lanes of -1
                    TBytes16 leads = TBytes16(v == Codes.FLeadVectors[0]);
                    for (size_t k = 1; k < kMaxLeads; ++k)
                        leads |= TBytes16(v == Codes.FLeadVectors[k]);
                    if (Any(leads) && !LeadsFine(i, leads))
                        return false;
                }
                LineFeeds += Sum(count);
            }
            CrLfOnly = CrLfOnly && !Any(stray);
            if (!Bytes(i, N))
                return false;
            if (N > 0 && P[N - 1] == '\r')
                CrLfOnly = false;
            return true;
        }

        // The same checks one byte at a time.
        bool Bytes(qsizetype from, qsizetype to) {
            for (qsizetype i = from; i < to; ++i) {
                const bool lf = P[i] == '\n';
                LineFeeds += lf;
                if (lf != (i > 0 && P[i - 1] == '\r'))
                    CrLfOnly = false;
            }
            return LeadsFine(from, to);
        }

        bool LeadsFine(qsizetype from, qsizetype to) {
            for (qsizetype i = from; i < to; ++i)
                if (Codes.FIsLead[P[i]] && DuplicateAt(i))
                    return false;
            return true;
        }

        // The same for the block at from, whose lanes that hold such a lead
        // byte are set in leads.
        bool LeadsFine(qsizetype from, TBytes16 leads) {
            std::uint64_t half[2];
            std::memcpy(half, &leads, sizeof half);
            for (int h = 0; h < 2; ++h) {
                for (std::uint64_t m = half[h]; m != 0;) {
                    const int lane = __builtin_ctzll(m) / 8;
                    m &= ~(std::uint64_t(0xFF) << (8 * lane));
                    if (DuplicateAt(from + 8 * h + lane))
                        return false;
                }
            }
            return true;
        }

        // Whether a duplicate code starts at i. Every lead byte is also a
        // trail byte, so the lead bytes before i pair up from the last byte
        // that is not one (or from Boundary): i starts a character when they
        // are even in number.
        bool DuplicateAt(qsizetype i) {
            if (i < Boundary)
                return false; // the trail byte of the code looked at last
            qsizetype j = i;
            while (j > Boundary && IsLeadByte(P[j - 1]))
                --j;
            if ((i - j) % 2 != 0) {
                Boundary = i + 1;
                return false;
            }
            if (i + 1 < N && IsTrailByte(P[i + 1])) {
                Boundary = i + 2;
                return Codes.FDuplicate[size_t(P[i] << 8 | P[i + 1])];
            }
            Boundary = i + 1;
            return false;
        }

        const TDuplicateCodes& Codes;
        const unsigned char* const P;
        const qsizetype N;
        qsizetype Boundary = 0; // a character starts here; nothing before it is looked at again
        bool CrLfOnly = true;
        qint64 LineFeeds = 0;
    };

    bool FUsable;
    std::vector<bool> FDuplicate;  // by lead << 8 | trail
    std::array<bool, 256> FIsLead; // lead bytes of duplicate codes
    std::vector<unsigned char> FLeads;
    std::array<TBytes16, kMaxLeads> FLeadVectors;
};

// --- text through the codec ------------------------------------------------

// The window's editor takes its paragraph and line separators and the frame
// marks U+FDD0 and U+FDD1 for line breaks, so the page it saves has line
// breaks there. Returns whether the text ended in a line separator: that
// breaks a line inside the editor's last paragraph, so the tail still starts
// a line of its own after it.
bool BreakAsTheEditorDoes(QString& text) {
    const auto isBreak = [](QChar c) {
        const char16_t u = c.unicode() & 0xFFFE;
        return u == 0x2028 || u == 0xFDD0;
    };
    if (std::none_of(text.cbegin(), text.cend(), isBreak))
        return false;
    const bool endsInSeparator = text.back() == QChar::LineSeparator;
    std::replace_if(text.begin(), text.end(), isBreak, QChar(u'\n'));
    return endsInSeparator;
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

// --- reading ---------------------------------------------------------------

// The input in chunks through one buffer, which grows only for a line longer
// than a chunk.
class TChunkReader {
public:
    TChunkReader(QIODevice& in, const QString& name) : FIn(in), FName(name) {
        FBuffer.resize(kChunkSize);
    }

    QByteArrayView Held() const { return QByteArrayView(FBuffer).sliced(FBegin, FEnd - FBegin); }
    bool AtEnd() const { return FAtEnd; }
    qint64 Consumed() const { return FConsumed; }

    void Consume(qsizetype n) {
        FBegin += n;
        FConsumed += n;
    }

    // Reads once more after what is held; AtEnd once nothing more comes.
    void Fill() {
        if (FBegin > 0) {
            std::memmove(FBuffer.data(), FBuffer.constData() + FBegin, size_t(FEnd - FBegin));
            FEnd -= FBegin;
            FBegin = 0;
        }
        if (FEnd == FBuffer.size())
            FBuffer.resize(FBuffer.size() * 2);
        const qint64 got = FIn.read(FBuffer.data() + FEnd, FBuffer.size() - FEnd);
        if (got < 0)
            throw EFOpenError(FName, FIn.errorString());
        FEnd += got;
        FAtEnd = got == 0;
    }

    // Back to the input's start, with its first chunk read.
    void Rewind() {
        if (!FIn.seek(0))
            throw EFOpenError(FName, FIn.errorString());
        FBegin = FEnd = 0;
        FConsumed = 0;
        FAtEnd = false;
        Fill();
    }

private:
    QIODevice& FIn;
    const QString& FName;
    QByteArray FBuffer;
    qsizetype FBegin = 0, FEnd = 0;
    qint64 FConsumed = 0;
    bool FAtEnd = false;
};

// The encoding of the input whose first chunk reader holds. Detection may
// read the rest of the input (only while it is valid UTF-8), after which the
// input is put back where it was.
TTextEncoding InputEncoding(TInputEncoding as, QIODevice& in, const TChunkReader& reader,
                            const QString& inputName) {
    const QByteArrayView first = reader.Held();
    switch (as) {
    case TInputEncoding::Detect:
        break;
    case TInputEncoding::Cp932:
        return TTextEncoding::Cp932;
    case TInputEncoding::Utf8:
        return TTextEncoding::Utf8;
    case TInputEncoding::Utf16:
        return Utf16ByteOrder(first);
    case TInputEncoding::Utf16LE:
        return TTextEncoding::Utf16LE;
    case TInputEncoding::Utf16BE:
        return TTextEncoding::Utf16BE;
    }
    const qint64 resume = in.pos();
    bool readOn = false;
    QByteArray more;
    const TTextEncoding encoding = DetectEncoding(first, [&] {
        readOn = true;
        more.resize(kChunkSize);
        const qint64 got = in.read(more.data(), more.size());
        if (got < 0)
            throw EFOpenError(inputName, in.errorString());
        more.truncate(got);
        return QByteArrayView(more);
    });
    if (readOn && !in.seek(resume))
        throw EFOpenError(inputName, in.errorString());
    return encoding;
}

// --- the page --------------------------------------------------------------

class TPageWriter {
public:
    TPageWriter(QIODevice& in, const TPageSettings& page, const QString& inputName,
                const TPageStreamOptions& options)
        : FReader(in, inputName), FHead(PageHeadLines(page).join(u'\n') + u'\n'),
          FTail(PageTailLines(page).join(u'\n')), FOptions(options), FUtf8(page.Utf8),
          FEscape(page.Escape) {
        FReader.Fill();
        FEncoding = InputEncoding(options.Encoding, in, FReader, inputName);
    }

    // Whether a character CP932 cannot hold may fail the page: the decoded
    // text of CP932 is always encodable.
    bool MayFail() const {
        return !FUtf8 && !FOptions.CharRefs &&
               (FEncoding != TTextEncoding::Cp932 || !Cp932::CanEncode(FHead + FTail));
    }

    void Write(const TByteSink& out) {
        if (FWritten)
            FReader.Rewind();
        FWritten = true;
        TTextDecoder decoder(FEncoding, FReader.Held(),
                             FOptions.Encoding == TInputEncoding::Detect);
        QByteArray chunk;
        chunk.reserve(kChunkSize * 2);
        AppendText(FHead, 1, chunk);
        out(chunk);

        FLine = kHeadLines + 1;
        bool endsWithBreak = true; // an empty text needs no break before the tail
        for (;;) {
            const QByteArrayView held = FReader.Held();
            const qsizetype take = FReader.AtEnd() ? held.size() : decoder.SplitPoint(held);
            if (take > 0) {
                WriteText(decoder, held.first(take), chunk, out, endsWithBreak);
                FReader.Consume(take);
                if (FOptions.OnProgress)
                    FOptions.OnProgress(FReader.Consumed());
            }
            if (FReader.AtEnd())
                break;
            FReader.Fill();
        }

        // The tail's first line takes the place of the empty line after a
        // final line break; a text without one ends its last line first.
        chunk.clear();
        if (!endsWithBreak) {
            chunk.append("\r\n", 2);
            ++FLine;
        }
        AppendText(FTail, FLine, chunk);
        out(chunk);
    }

private:
    // Writes the page text of piece; endsWithBreak follows whether the text
    // so far ends with a line break that the tail's first line takes the
    // place of.
    void WriteText(TTextDecoder& decoder, QByteArrayView piece, QByteArray& chunk,
                   const TByteSink& out, bool& endsWithBreak) {
        chunk.clear();
        if (FEncoding == TTextEncoding::Cp932 && !FUtf8 && !FEscape) {
            const TCp932Scan scan = TDuplicateCodes::Get().Scan(piece);
            if (scan.RoundTrips && scan.CrLfOnly) {
                out(piece); // already as the page has it
                FLine += scan.LineFeeds;
                endsWithBreak = piece.back() == '\n';
                return;
            }
            if (scan.RoundTrips) {
                FLine += AppendWithCrLf(piece, chunk);
                out(chunk);
                endsWithBreak = chunk.back() == '\n';
                return;
            }
        }
        QString text = decoder.Decode(piece);
        const bool endsInSeparator = BreakAsTheEditorDoes(text);
        if (FEscape)
            text = EscapeText(text);
        FLine += AppendText(text, FLine, chunk);
        out(chunk);
        if (!chunk.isEmpty())
            endsWithBreak = chunk.back() == '\n' && !endsInSeparator;
    }

    // Appends text whose first line is page line firstLine in the page's
    // encoding with CR LF; returns the number of line breaks.
    qint64 AppendText(const QString& text, qint64 firstLine, QByteArray& out) const {
        if (!FUtf8)
            return AppendPageText(text, firstLine, FOptions.CharRefs, out);
        const QString lines = NormalizeLineBreaks(text);
        out += EncodeUtf8Page(lines);
        return lines.count(u'\n');
    }

    TChunkReader FReader;
    const QString FHead, FTail;
    const TPageStreamOptions& FOptions;
    const bool FUtf8, FEscape;
    TTextEncoding FEncoding;
    qint64 FLine = 0;
    bool FWritten = false;
};

} // namespace

void WritePage(QIODevice& in, const TByteSink& out, const TPageSettings& page,
               const QString& inputName, const TPageStreamOptions& options) {
    TPageWriter writer(in, page, inputName, options);
    if (options.CheckFirst && writer.MayFail())
        writer.Write([](QByteArrayView) {});
    writer.Write(out);
}

bool Cp932RoundTrips(QByteArrayView bytes) {
    return TDuplicateCodes::Get().Scan(bytes).RoundTrips;
}
