#include "RichEdit.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "TextFile.h"
#include "Unprivileged.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList AllLines(const TRichEdit& e) {
    QStringList out;
    for (int i = 0; i < e.Lines().Count(); ++i)
        out << e.Lines()[i];
    return out;
}

} // namespace

TEST(RichEditLines, AFinalLineBreakIsNotALineAndAddFillsIt) {
    TRichEdit e;
    EXPECT_EQ(e.Lines().Count(), 0);
    e.Lines().Add("a");
    EXPECT_EQ(e.Lines().Text(), "a");
    e.Lines().SetText("x\ny\n");
    EXPECT_EQ(e.Lines().Count(), 2);
    e.Lines().Add("z");
    EXPECT_EQ(AllLines(e), QStringList({"x", "y", "z"}));
    EXPECT_EQ(e.Lines().Text(), "x\ny\nz"); // no empty line after the new one
    e.Lines().SetText("x\ny");
    e.Lines().Add("z");
    EXPECT_EQ(e.Lines().Text(), "x\ny\nz");
    e.Lines().SetText("x\n\n");
    e.Lines().Add("z"); // the empty line before the final break stays
    EXPECT_EQ(AllLines(e), QStringList({"x", "", "z"}));
}

TEST(RichEditLines, InsertMovesLinesDownAndBatchesUndo) {
    TRichEdit e;
    e.Lines().SetText("b\nd");
    e.Lines().BeginUpdate();
    e.Lines().Insert(0, "a");
    e.Lines().Insert(2, "c");
    e.Lines().Insert(9, "ignored");
    e.Lines().EndUpdate();
    EXPECT_EQ(AllLines(e), QStringList({"a", "b", "c", "d"}));
    e.undo();
    EXPECT_EQ(e.Lines().Text(), "b\nd");
    EXPECT_THROW(e.Lines().Strings(4), Exception);
}

TEST(RichEditFiles, ALongLoadShowsTheBusyCursor) {
    QTemporaryDir dir;
    const QString small = dir.filePath("small.txt");
    const QString long_ = dir.filePath("long.txt");
    WriteBytes(small, "short\r\n");
    WriteBytes(long_, QByteArray(300 * 1024, 'x')); // one line
    TRichEdit e;
    // The cursor the application shows while the editor takes the text.
    std::optional<Qt::CursorShape> seen;
    QObject::connect(e.document(), &QTextDocument::contentsChange, [&] {
        if (!seen)
            seen = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                  : Qt::ArrowCursor;
    });
    e.Lines().LoadFromFile(small);
    EXPECT_EQ(seen, Qt::ArrowCursor);
    seen.reset();
    e.Lines().LoadFromFile(long_);
    EXPECT_EQ(seen, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(e.Lines().Text().size(), 300 * 1024);
}

TEST(RichEditFiles, LongLinesKeepTheirTextAndTheirLayoutsKeepTheGlyphs) {
    TRichEdit e;
    e.show();
    const QString longLine(5000, u'字');
    const QStringList lines = {"a", longLine, "", longLine + "b", "c"};
    for (const QString& text : {lines.join('\n'), lines.join('\n') + '\n', longLine}) {
        e.Lines().SetText("old");
        e.Lines().SetText(text);
        EXPECT_EQ(e.Lines().Text(), text);
        EXPECT_FALSE(e.Modified());
        EXPECT_FALSE(e.document()->isUndoAvailable());
        EXPECT_EQ(e.textCursor().position(), 0);
    }
    EXPECT_EQ(e.Lines().Count(), 1);
    e.Lines().SetText(lines.join('\n'));
    ASSERT_EQ(AllLines(e), lines);
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(e.document()->findBlockByNumber(i).layout()->cacheEnabled(),
                  lines[i].size() >= 4096)
            << i;
}

// The editor paints the view itself, long lines a visible part at a time:
// what it shows must be what Qt shows, the caret and a selection included,
// wherever the line is scrolled to and in the short lines around it.
TEST(RichEditPaint, LongLinesLookAsQtPaintsThem) {
    TRichEdit e;
    QPalette pal = e.palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Highlight, Qt::darkBlue);
    pal.setColor(QPalette::HighlightedText, Qt::yellow);
    e.setPalette(pal);
    QString longLine;
    while (longLine.size() < 6000)
        longLine += QStringLiteral("日本語のテキスト Plain <b>&amp;</b> ");
    e.Lines().SetText("short\n" + longLine + "\nshort\n" + longLine);
    e.resize(420, 160);
    e.show();
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.setFocus();
    const int second = e.document()->findBlockByNumber(1).position();
    const struct {
        const char* Name;
        int Anchor, Position;
    } kCases[] = {{"caret at the line's start", second, second},
                  {"caret in the middle", second + 3001, second + 3001},
                  {"selection across the view", second + 2990, second + 3010},
                  {"selection from the left edge", second + 4000, second + 3950},
                  {"caret in a short line", 3, 3},
                  {"selection from a short line into a long one", 2, second + 10}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Name);
        QTextCursor cursor(e.document());
        cursor.setPosition(c.Anchor);
        cursor.setPosition(c.Position, QTextCursor::KeepAnchor);
        e.setTextCursor(cursor);
        QCoreApplication::processEvents();
        e.SetPaintsLongLines(true);
        const QImage ours = e.viewport()->grab().toImage();
        e.SetPaintsLongLines(false);
        const QImage qts = e.viewport()->grab().toImage();
        EXPECT_EQ(ours, qts);
    }
}
