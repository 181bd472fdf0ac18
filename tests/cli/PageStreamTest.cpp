#include "PageStream.h"
#include "CliTestUtils.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray StreamPage(const QByteArray& input, const TPageSettings& page,
                      const TPageStreamOptions& options = {}) {
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    QByteArray out;
    WritePage(
        in, [&](QByteArrayView bytes) { out += bytes; }, page, QStringLiteral("in.txt"), options);
    return out;
}

// Japanese and ASCII lines with CR LF, the shape of most inputs.
QByteArray JapaneseText(qsizetype bytes) {
    const QByteArray line =
        Sjis(QStringLiteral("日本語の行です。ASCII も混ざる <b>&amp;</b> ｶﾀｶﾅ\r\n"));
    QByteArray out;
    while (out.size() < bytes)
        out += line;
    return out;
}

QByteArray RandomBytes(qsizetype n, quint32 seed, QByteArrayView alphabet = {}) {
    QRandomGenerator rng(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (char& c : out)
        c = alphabet.isEmpty() ? char(rng.bounded(256))
                               : alphabet[rng.bounded(int(alphabet.size()))];
    return out;
}

} // namespace

TEST(PageStream, WorkedExampleAndTheFinalLineBreakRule) {
    const TPageSettings page = DefaultPage();
    const QByteArray head = Sjis(PageHeadLines(page).join("\r\n") + "\r\n");
    const QByteArray tail = Sjis(PageTailLines(page).join("\r\n"));
    EXPECT_TRUE(head.startsWith("<HTML>\r\n<HEAD>\r\n"));
    EXPECT_TRUE(tail.endsWith("</body>\r\n</HTML>"));
    // With or without a final break, the two lines stand between head and tail.
    EXPECT_EQ(StreamPage("Line one\nLine two", page), head + "Line one\r\nLine two\r\n" + tail);
    EXPECT_EQ(StreamPage("Line one\r\nLine two\r\n", page),
              head + "Line one\r\nLine two\r\n" + tail);
    EXPECT_EQ(StreamPage("", page), head + tail);
    // Empty lines before the last one stay; lone CRs are line breaks.
    EXPECT_EQ(StreamPage("a\n\n", page), head + "a\r\n\r\n" + tail);
    EXPECT_EQ(StreamPage("a\rb\r", page), head + "a\r\nb\r\n" + tail);
    EXPECT_EQ(StreamPage("\r", page), head + "\r\n" + tail);
    // The text is not escaped and keeps its tabs.
    EXPECT_EQ(StreamPage("a<b>&\tc", page), head + "a<b>&\tc\r\n" + tail);
    EXPECT_EQ(QString::fromLatin1(StreamPage("x", DefaultPage(true))).count("index.html"), 1);
}

TEST(PageStream, EqualsTheWholeFileConversionWhateverTheChunks) {
    QTemporaryDir dir;
    const QString input = dir.filePath("in.txt");
    const QString scratch = dir.filePath("window.htm");
    TPageSettings page = DefaultPage();
    page.Tht = QStringLiteral("題名 ①");
    const QByteArray lead(1, '\x82');
    const QByteArray mb = JapaneseText(1 << 20);
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"Japanese CR LF over several chunks", JapaneseText(3 << 20)},
        {"LF only", JapaneseText(3 << 20).replace("\r\n", "\n")},
        {"lone CRs", JapaneseText(2 << 20).replace("\r\n", "\r")},
        {"a CR LF across the chunk edge", mb.left((1 << 20) - 1) + "\r\n" + mb + "tail"},
        {"a lead byte at the chunk edge",
         mb.left((1 << 20) - 1) + Sjis(QStringLiteral("漢字")) + mb},
        {"every byte value", RandomBytes(3 << 20, 1)},
        {"lead and trail bytes without breaks",
         RandomBytes(3 << 20, 2, "\x81\x82\x88\x9f\xe0\xed\xee\xfa\xfc\x40\x7e\x80\xa0\xdf\xfd")},
        {"NEC and IBM duplicates",
         JapaneseText(1 << 20) +
             QByteArray("\x87\x90\x81\xe0\xed\x40\xfa\x5c\xee\xf9\x81\xca\xfa\x54\r\n")
                 .repeated(5000)},
        {"one 3 MB line", QByteArray(3 << 20, 'x') + "\x82\xa0"},
        {"2 MB of lead bytes", QByteArray(2 << 20, '\x82') + "\n" + lead},
        {"NULs and a final lone lead byte", QByteArray("a\0b\0\r\n", 6).repeated(1000) + lead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(WriteBytes(input, c.Bytes));
        const QByteArray streamed = StreamPage(c.Bytes, page);
        const QByteArray window = WindowPageBytes(input, page, scratch);
        EXPECT_TRUE(streamed == window) << FirstDifference(streamed, window);
    }
}

// Other encodings, detected across chunks or given, with characters Shift-JIS
// cannot hold written as references.
TEST(PageStream, DecodesAsTheWindowOpensWhateverTheChunks) {
    QTemporaryDir dir;
    const QString input = dir.filePath("in.txt");
    const QString scratch = dir.filePath("window.htm");
    const TPageSettings page = DefaultPage();
    const QString japanese = Cp932::Decode(JapaneseText(3 << 20));
    const QString pairs = QStringLiteral("😀한€").repeated(200000); // no line break
    const QByteArray ascii(1 << 20, 'a');
    const struct {
        const char* Name;
        QByteArray Bytes;
        TInputEncoding As = TInputEncoding::Detect;
    } cases[] = {
        {"UTF-8 over several chunks", japanese.toUtf8()},
        {"UTF-8 with a mark, one long line", "\xEF\xBB\xBF" + pairs.toUtf8()},
        {"UTF-8 for 2 MB, then a byte that is not", japanese.toUtf8().left(2 << 20) + "\xff\n"},
        {"ASCII for 1 MB, then UTF-8", ascii + QStringLiteral("\r\n日本").toUtf8()},
        {"UTF-16LE, lone CRs, a long line of pairs",
         Utf16(QStringLiteral("😀a\r").repeated(100000) + pairs, false)},
        {"UTF-16BE, an odd last byte and a lone surrogate",
         Utf16(japanese.left(1 << 20) + QChar(0xD800) + u'x', true) + "\x01"},
        {"UTF-8 read as Shift-JIS", japanese.toUtf8().left(1 << 20), TInputEncoding::Cp932},
        {"Shift-JIS read as UTF-8", JapaneseText(1 << 20), TInputEncoding::Utf8},
        {"UTF-16 without a mark", Utf16(japanese.left(1 << 20), true, false),
         TInputEncoding::Utf16},
    };
    TPageStreamOptions refs;
    refs.CharRefs = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(WriteBytes(input, c.Bytes));
        refs.Encoding = c.As;
        const std::optional<TTextEncoding> as =
            c.As == TInputEncoding::Cp932   ? std::optional(TTextEncoding::Cp932)
            : c.As == TInputEncoding::Utf8  ? std::optional(TTextEncoding::Utf8)
            : c.As == TInputEncoding::Utf16 ? std::optional(TTextEncoding::Utf16LE)
                                            : std::nullopt;
        const QByteArray streamed = StreamPage(c.Bytes, page, refs);
        const QByteArray window = WindowPageBytes(input, page, scratch, as);
        EXPECT_TRUE(streamed == window) << FirstDifference(streamed, window);
    }
}

// Passing a chunk through unconverted must never differ from decoding and
// encoding it: checked on every byte pair in several surroundings, and on
// random runs of lead, trail and line-break bytes long enough to be searched
// sixteen bytes at a time.
TEST(PageStream, PassingThroughAgreesWithDecodeAndEncode) {
    const auto agrees = [](const QByteArray& bytes) {
        return Cp932RoundTrips(bytes) == (Cp932::Encode(Cp932::Decode(bytes)) == bytes);
    };
    const QByteArray after[] = {"", "A", "\x82", "\x82\xa0", "\xe0\x40", "\n"};
    for (int b = 0; b < 256; ++b)
        for (int t = 0; t < 256; ++t)
            for (const QByteArray& tail : after)
                ASSERT_TRUE(agrees(QByteArray(1, char(b)) + char(t) + tail))
                    << std::hex << b << " " << t << " " << tail.toHex().constData();
    QRandomGenerator rng(7);
    int passed = 0;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray bytes = RandomBytes(17 + rng.bounded(80), rng.generate(),
                                             "\x87\x90\xed\xee\xfa\x54\x40\x82\xe0\xa0\r\n");
        ASSERT_TRUE(agrees(bytes)) << bytes.toHex(' ').constData();
        passed += Cp932RoundTrips(bytes);
    }
    // Both answers came up, and ordinary text does pass, or the streaming
    // would be slow.
    EXPECT_GT(passed, 200);
    EXPECT_LT(passed, 19000);
    EXPECT_TRUE(Cp932RoundTrips(JapaneseText(1 << 16)));
}

TEST(PageStream, CharactersShiftJisCannotHoldNameTheirPageLine) {
    TPageSettings page = DefaultPage();
    page.Tht = QStringLiteral("title 😀");
    try {
        StreamPage("one\ntwo\n", page);
        ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
        EXPECT_EQ(e.Line(), 4);
        EXPECT_EQ(e.Character(), U'😀');
    }
    // In the tail the line counts the text's lines; lone CRs count too.
    page = DefaultPage();
    page.Bac = QStringLiteral("戻る€");
    for (const QByteArray& text : {QByteArray("one\rtwo"), QByteArray("one\r\ntwo\r\n")}) {
        try {
            StreamPage(text, page);
            ADD_FAILURE() << "no error";
        } catch (const EEncodingError& e) {
            EXPECT_EQ(e.Line(), 13 + 2 + 9);
            EXPECT_EQ(e.Character(), U'€');
        }
    }
    // Lines are counted over chunks, and the editor's separators are breaks.
    const QByteArray text = JapaneseText(3 << 20);
    const qint64 lines = text.count('\n');
    for (const QByteArray& input : {text, text.left(text.size() - 2) + "\n"}) {
        try {
            StreamPage(input, page);
            ADD_FAILURE() << "no error";
        } catch (const EEncodingError& e) {
            EXPECT_EQ(e.Line(), 13 + lines + 9);
        }
    }
    // An output that cannot take back is given nothing of a failing page.
    QBuffer utf8;
    utf8.setData(QStringLiteral("one\u2028two\ntwo\u2029€").toUtf8());
    utf8.open(QIODevice::ReadOnly);
    TPageStreamOptions checkFirst;
    checkFirst.CheckFirst = true;
    QByteArray given;
    try {
        WritePage(
            utf8, [&](QByteArrayView bytes) { given += bytes; }, DefaultPage(),
            QStringLiteral("in.txt"), checkFirst);
        ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
        EXPECT_EQ(e.Line(), 13 + 4);
        EXPECT_EQ(e.Character(), U'€');
    }
    EXPECT_TRUE(given.isEmpty());
    // References instead: the characters stay readable in the page.
    TPageStreamOptions refs;
    refs.CharRefs = true;
    page.Tht = QStringLiteral("😀 é");
    const QByteArray out = StreamPage("x", page, refs);
    EXPECT_TRUE(out.contains("<TITLE>&#x1F600; &#xE9;</TITLE>"));
    EXPECT_TRUE(out.contains(Sjis(QStringLiteral(">戻る&#x20AC;</a>"))));
}

TEST(PageStream, AReadFailureNamesTheFile) {
    QBuffer unreadable;
    try {
        WritePage(
            unreadable, [](QByteArrayView) {}, DefaultPage(), QStringLiteral("in.txt"));
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains("in.txt"));
    }
}
