#include "RichEdit.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "TextFile.h"
#include "Unprivileged.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
