#include "RichEdit.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "TextFile.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
    EXPECT_EQ(e.Lines().Text(), "a\n");
    e.Lines().SetText("x\ny\n");
    EXPECT_EQ(e.Lines().Count(), 2);
    e.Lines().Add("z");
    EXPECT_EQ(AllLines(e), QStringList({"x", "y", "z"}));
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

TEST(TextFiles, LoadingThenSavingKeepsEveryByteButLineBreaks) {
    QTemporaryDir dir;
    struct Case {
        QByteArray in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\nb", "a\r\nb"},
        {"a\rb\r", "a\r\nb\r\n"},
        {QByteArray("x\0y\x81", 4), QByteArray("x\0y\x81", 4)},
        {"\x82\xa0\x80\xff\r\n\xee\xf9", "\x82\xa0\x80\xff\r\n\xee\xf9"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath("t.txt");
        WriteBytes(path, c.in);
        TRichEdit e;
        e.Lines().LoadFromFile(path);
        e.Lines().SaveToFile(path);
        EXPECT_EQ(ReadBytes(path), c.out) << c.in.toHex().constData();
    }
}

TEST(TextFiles, FailedSavesLeaveTheOldFileIntact) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.htm");
    WriteBytes(path, "old");
    EXPECT_THROW(WriteTextFile(path, QStringLiteral("new é")), EEncodingError);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_THROW(WriteTextFile(dir.filePath("missing/page.htm"), QStringLiteral("x")),
                 EFCreateError);
}

TEST(TextFiles, PermissionFailuresLeaveTheOldFileIntact) {
    if (!RunUnprivileged())
        return;
    QTemporaryDir dir;
    const QString path = dir.filePath("page.htm");
    WriteBytes(path, "old");
    chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_THROW(WriteTextFile(path, QStringLiteral("new")), EFCreateError);
    EXPECT_EQ(ReadBytes(path), "old");
    chmod(QFile::encodeName(path).constData(), 0644);
    chmod(QFile::encodeName(dir.path()).constData(), 0555); // read-only folder
    EXPECT_THROW(WriteTextFile(path, QStringLiteral("new")), EFCreateError);
    EXPECT_EQ(ReadBytes(path), "old");
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
}

TEST(TextFiles, OnlyRegularFilesAreOpened) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(ReadTextFile(fifo), EFileRefused); // must not block
    EXPECT_THROW(ReadTextFile(dir.path()), EFileRefused);
    EXPECT_THROW(ReadTextFile(dir.filePath("none")), EFOpenError);
}
