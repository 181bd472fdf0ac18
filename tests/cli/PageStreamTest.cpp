#include "PageStream.h"
#include "CliTestUtils.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray StreamPage(const QByteArray& input, const TPageSettings& page,
                      TPageStreamOptions options = {}) {
    QBuffer in;
    in.setData(input);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    WritePage(in, out, page, QStringLiteral("in.txt"), QStringLiteral("out.htm"), options);
    return out.data();
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

// Passing a chunk through unconverted must never differ from decoding and
// encoding it: checked on every byte pair in several surroundings.
TEST(PageStream, PassingThroughAgreesWithDecodeAndEncode) {
    const TInputDecoder decoder = TInputDecoder::Detect({});
    const QByteArray after[] = {"", "A", "\x82", "\x82\xa0", "\xe0\x40", "\n"};
    int passed = 0;
    for (int b = 0; b < 256; ++b) {
        for (int t = 0; t < 256; ++t) {
            for (const QByteArray& tail : after) {
                const QByteArray bytes = QByteArray(1, char(b)) + char(t) + tail;
                if (!decoder.PassesThrough(bytes))
                    continue;
                ++passed;
                ASSERT_EQ(Cp932::Encode(Cp932::Decode(bytes)), bytes)
                    << std::hex << b << " " << t << " " << tail.toHex().constData();
            }
        }
    }
    // Ordinary text does pass, or the streaming would be slow.
    EXPECT_GT(passed, 30000);
    EXPECT_TRUE(decoder.PassesThrough(JapaneseText(1 << 16)));
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
    // References instead: the characters stay readable in the page.
    TPageStreamOptions refs;
    refs.CharRefs = true;
    page.Tht = QStringLiteral("😀 é");
    const QByteArray out = StreamPage("x", page, refs);
    EXPECT_TRUE(out.contains("<TITLE>&#x1F600; &#xE9;</TITLE>"));
    EXPECT_TRUE(out.contains(Sjis(QStringLiteral(">戻る&#x20AC;</a>"))));
}

TEST(PageStream, ReadAndWriteFailuresNameTheFile) {
    QBuffer in;
    in.setData("text");
    in.open(QIODevice::ReadOnly);
    QBuffer closed; // never opened: every write fails
    try {
        WritePage(in, closed, DefaultPage(), QStringLiteral("in.txt"), QStringLiteral("out.htm"));
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().contains("out.htm"));
    }
    QBuffer unreadable;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    try {
        WritePage(unreadable, out, DefaultPage(), QStringLiteral("in.txt"),
                  QStringLiteral("out.htm"));
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains("in.txt"));
    }
}
