#include "TextEncoding.h"
#include "Cp932.h"
#include "TestFiles.h"
#include "TextFile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void ExpectDecoded(const QByteArray& bytes, const QString& text, TTextEncoding encoding,
                   bool malformed = false) {
    const TDecodedText d = DecodeText(bytes);
    EXPECT_EQ(d.Text, text) << bytes.toHex(' ').constData();
    EXPECT_EQ(d.Format.Encoding, encoding) << bytes.toHex(' ').constData();
    EXPECT_EQ(d.Format.Malformed, malformed) << bytes.toHex(' ').constData();
}

const QString kSample = QStringLiteral("日本語 text\r\n😀𠮟\n");

} // namespace

TEST(TextEncodingTest, MarksDecideTheEncodingAndAreDropped) {
    ExpectDecoded("\xEF\xBB\xBF" + kSample.toUtf8(), kSample, TTextEncoding::Utf8);
    ExpectDecoded(Utf16(kSample, false, true), kSample, TTextEncoding::Utf16LE);
    ExpectDecoded(Utf16(kSample, true, true), kSample, TTextEncoding::Utf16BE);
    // A mark alone is an empty text in its encoding.
    ExpectDecoded("\xEF\xBB\xBF", QString(), TTextEncoding::Utf8);
    ExpectDecoded("\xFE\xFF", QString(), TTextEncoding::Utf16BE);
    EXPECT_EQ(EncodingName(TTextEncoding::Cp932), "Shift-JIS");
    EXPECT_EQ(EncodingName(TTextEncoding::Utf16BE), "UTF-16BE");
}

TEST(TextEncodingTest, UnmarkedUtf8NeedsAMultibyteSequenceElseCp932) {
    ExpectDecoded(kSample.toUtf8(), kSample, TTextEncoding::Utf8);
    ExpectDecoded("plain ascii\n", "plain ascii\n", TTextEncoding::Cp932);
    ExpectDecoded(QByteArray(), QString(), TTextEncoding::Cp932);
    // "日本" in CP932 is not UTF-8.
    ExpectDecoded("\x93\xfa\x96\x7b", QStringLiteral("日本"), TTextEncoding::Cp932);
}

TEST(TextEncodingTest, IllFormedUtf8IsNotUtf8) {
    for (const char* bad : {"\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xED\xA0\x80",
                            "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80",
                            "a\xE6\x97", "\xE6\x97z", "\xFF"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << QByteArray(bad).toHex(' ').constData();
        EXPECT_EQ(DetectEncoding(bad), TTextEncoding::Cp932);
    }
    bool multibyte = false;
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF \xED\x9F\xBF \xC2\x80", &multibyte));
    EXPECT_TRUE(multibyte);
    EXPECT_TRUE(IsValidUtf8(QByteArray(100, 'a'), &multibyte));
    EXPECT_FALSE(multibyte);
}

// The fast paths agree with the toolkit's decoder on random bytes around
// every boundary, at every offset from a sixteen-byte block.
TEST(TextEncodingTest, ValidatorAgreesWithTheToolkitDecoder) {
    static const unsigned char kPool[] = {'a',  0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                          0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEE,
                                          0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF, 0xBB, 0xBD};
    QRandomGenerator random(15);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes(random.bounded(1, 40), 'x');
        for (char& b : bytes)
            b = char(random.bounded(4) == 0 ? 'a' : kPool[random.bounded(int(sizeof kPool))]);
        const bool reference = QString::fromUtf8(bytes).toUtf8() == bytes;
        ASSERT_EQ(IsValidUtf8(bytes), reference) << bytes.toHex(' ').constData();
    }
}

// Input read in pieces of any size, sequences cut between them included,
// is detected and decoded as the whole is.
TEST(TextEncodingTest, PiecesAreDetectedAndDecodedAsTheWhole) {
    const QString pairs = QStringLiteral("😀\r\n𠮟\rx\n");
    const QByteArray inputs[] = {
        kSample.toUtf8(),
        "\xEF\xBB\xBF" + kSample.toUtf8(),
        "abc" + kSample.toUtf8() + "\xE6\x97",
        "\xF0\x9F\x98\x80\xC3",
        "ascii\r\n",
        "\x93\xfa\x96\r\n\x7b\x82",
        Utf16(pairs, false, true),
        Utf16(pairs + QChar(0xD800), true, true) + 'c',
    };
    const std::optional<TTextEncoding> given[] = {std::nullopt, TTextEncoding::Cp932,
                                                  TTextEncoding::Utf8, TTextEncoding::Utf16LE};
    for (const QByteArray& bytes : inputs) {
        for (const std::optional<TTextEncoding> as : given) {
            const TDecodedText whole = DecodeText(bytes, as);
            for (qsizetype step = 1; step <= 5; ++step) {
                SCOPED_TRACE(bytes.toHex(' ').toStdString() + " step " + std::to_string(step));
                // The first piece holds a mark; the others are step bytes.
                qsizetype at = std::min<qsizetype>(bytes.size(), 4), end = 0;
                const auto next = [&] {
                    const QByteArrayView piece =
                        QByteArrayView(bytes).sliced(at, std::min(step, bytes.size() - at));
                    at += piece.size();
                    return piece;
                };
                if (!as) {
                    EXPECT_EQ(DetectEncoding(QByteArrayView(bytes).first(at), next),
                              whole.Format.Encoding);
                }
                TTextDecoder decoder(whole.Format.Encoding, bytes, !as);
                QString text;
                for (at = 0; at < bytes.size();) {
                    end = std::min(bytes.size(), end + step);
                    const QByteArrayView held = QByteArrayView(bytes).sliced(at, end - at);
                    const qsizetype take =
                        end == bytes.size() ? held.size() : decoder.SplitPoint(held);
                    text += decoder.Decode(held.first(take));
                    at += take;
                }
                EXPECT_EQ(text, whole.Text);
                EXPECT_EQ(decoder.Malformed(), whole.Format.Malformed);
            }
        }
    }
}

TEST(TextEncodingTest, Utf8CutInASequenceFallsBackToCp932Losslessly) {
    const QByteArray cut = QStringLiteral("日本語").toUtf8().chopped(1);
    const TDecodedText d = DecodeText(cut);
    EXPECT_EQ(d.Format.Encoding, TTextEncoding::Cp932);
    EXPECT_EQ(Cp932::Encode(d.Text), cut);
}

TEST(TextEncodingTest, MalformedUtf16ShowsReplacementsAndSaysSo) {
    // Odd length: the last byte has no pair.
    ExpectDecoded(Utf16("ab", false, true) + 'c', QStringLiteral("ab\uFFFD"),
                  TTextEncoding::Utf16LE, true);
    // A high surrogate at the end, a low one alone, and a high one followed by
    // a plain character; a real pair stays.
    const QString units =
        QString(QChar(0xDC00)) + u'x' + QChar(0xD83D) + u'y' + QStringLiteral("😀") + QChar(0xD800);
    ExpectDecoded(Utf16(units, true, true), QStringLiteral("\uFFFDx\uFFFDy😀\uFFFD"),
                  TTextEncoding::Utf16BE, true);
}

TEST(TextEncodingTest, GivenEncodingsOverrideTheGuess) {
    // A CP932 text that happens to be valid UTF-8 ("é" or "ﾃｩ").
    const QByteArray bytes = "\xC3\xA9";
    EXPECT_EQ(DecodeText(bytes).Text, QStringLiteral("é"));
    EXPECT_EQ(DecodeText(bytes, TTextEncoding::Cp932).Text, QStringLiteral("ﾃｩ"));
    // UTF-8 forced on CP932 bytes keeps the stray bytes as escapes.
    const QByteArray sjis = "\x93\xfa\x96\x7b a \xE3\x81\x82";
    const TDecodedText forced = DecodeText(sjis, TTextEncoding::Utf8);
    EXPECT_TRUE(forced.Format.Malformed);
    EXPECT_TRUE(forced.Text.endsWith(QStringLiteral(" a あ")));
    EXPECT_EQ(Cp932::Encode(forced.Text), "\x93\xfa\x96\x7b a \x82\xa0");
    // UTF-16 without a mark takes its byte order from the zero bytes.
    EXPECT_EQ(DecodeText(Utf16("text", true, false), TTextEncoding::Utf16LE).Format.Encoding,
              TTextEncoding::Utf16BE);
    EXPECT_EQ(DecodeText(Utf16("text", false, false), TTextEncoding::Utf16BE).Text, "text");
    // Shift-JIS forced on a marked file keeps the mark's bytes.
    const QByteArray marked = "\xEF\xBB\xBF"
                              "abc";
    EXPECT_EQ(Cp932::Encode(DecodeText(marked, TTextEncoding::Cp932).Text), marked);
}

TEST(TextEncodingTest, HeadsAreCutAtACharacterBoundary) {
    const QByteArray utf8 = QStringLiteral("ab日本").toUtf8();
    for (int cut = 1; cut <= 2; ++cut) {
        const TDecodedText d = DecodeTextHead(utf8.chopped(cut));
        EXPECT_EQ(d.Text, "ab日");
        EXPECT_EQ(d.Format.Encoding, TTextEncoding::Utf8);
        EXPECT_FALSE(d.Format.Malformed);
    }
    const QByteArray utf16 = Utf16(QStringLiteral("a😀"), false, true);
    EXPECT_EQ(DecodeTextHead(utf16.chopped(1)).Text, "a"); // odd byte, then a cut pair
    EXPECT_EQ(DecodeTextHead(utf16.chopped(2)).Text, "a");
    EXPECT_FALSE(DecodeTextHead(utf16.chopped(3)).Format.Malformed);
    EXPECT_EQ(DecodeTextHead("\x93\xfa\x96").Text, QStringLiteral("日"));
}

TEST(TextEncodingTest, ReferencesForEachCharacterCp932CannotHold) {
    // Lines end at LF and at a text document's separators; the byte escape is
    // written back as its byte, a lone surrogate as its reference.
    const QString text = QStringLiteral("日本\nx😀y") + QChar::ParagraphSeparator +
                         QStringLiteral("𠮟한") + QChar(Cp932::EscapeBase + 0x80) +
                         QChar::LineSeparator + QChar(0xD800) + u'z';
    const TEncodedPage page = EncodePage(text);
    EXPECT_EQ(page.Unencodable.Count, 4);
    EXPECT_EQ(page.Unencodable.First, U'😀');
    EXPECT_EQ(page.Unencodable.FirstLine, 2);
    EXPECT_EQ(page.Bytes, "\x93\xfa\x96\x7b\r\nx&#x1F600;y\r\n&#x20B9F;&#xD55C;\x80\r\n&#xD800;z");
    EXPECT_EQ(EncodePage(QStringLiteral("a\u2029b\u2028c\n😀")).Unencodable.FirstLine, 4);
    EXPECT_EQ(EncodePage(QStringLiteral("日本 abc")).Unencodable.Count, 0);

    EXPECT_EQ(WithCharacterReferences(QStringLiteral("x😀\n한")), "x&#x1F600;\n&#xD55C;");
    EXPECT_EQ(WithCharacterReferences(QStringLiteral("日本")), "日本");
}

TEST(TextEncodingTest, FilesAreReadInTheirEncodingWithLinesJoinedByLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath("in.txt");
    ASSERT_TRUE(WriteBytes(path, Utf16(kSample, true, true)));
    const TDecodedText d = ReadTextFileDecoded(path);
    EXPECT_EQ(d.Text, QStringLiteral("日本語 text\n😀𠮟\n"));
    EXPECT_EQ(d.Format.Encoding, TTextEncoding::Utf16BE);
    EXPECT_EQ(ReadTextFile(path), d.Text);
    EXPECT_EQ(ReadTextFileDecoded(path, -1, TTextEncoding::Cp932).Format.Encoding,
              TTextEncoding::Cp932);

    // Three UTF-8 bytes make one character: ten of them fit a limit of ten.
    ASSERT_TRUE(WriteBytes(path, QString(10, QChar(0x65E5)).toUtf8()));
    EXPECT_EQ(ReadTextFile(path, 10).size(), 10);
    EXPECT_THROW(ReadTextFile(path, 9), EFileRefused);
}
