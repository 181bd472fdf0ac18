// Form files in the text-preview open dialog, driven headless as a person
// would: the name typed into the box, the preview box clicked.
#include "TextDlgs.h"

#include "Application.h"
#include "ModalDriver.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray ShortStr(const QByteArray& s) {
    return char(s.size()) + s;
}

QByteArray LongStr(const QByteArray& s) {
    QByteArray size(4, '\0');
    for (int i = 0; i < 4; ++i)
        size[i] = char(s.size() >> (8 * i));
    return "\x0A" + size + s;
}

// A form Form1 of class TForm1 with a caption, as a component stream.
QByteArray FormStream(const QByteArray& caption) {
    return "VXF1" + ShortStr("TForm1") + ShortStr("Form1") + ShortStr("Caption") +
           LongStr(caption) + '\0' + '\0';
}

// The stream behind the resource header of a form file.
QByteArray FormFile(const QByteArray& stream) {
    QByteArray header = QByteArray::fromHex("ff0a00") + "TFORM1" + QByteArray::fromHex("003010");
    for (int i = 0; i < 4; ++i)
        header += char(stream.size() >> (8 * i));
    return header + stream;
}

class FormPreview : public ::testing::Test {
protected:
    FormPreview() {
        Application()->OnException = [this](const QString& m) { Errors << m; };
    }
    ~FormPreview() override { Application()->OnException = nullptr; }

    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile file(FDir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }

    // Clicks each file in the dialog's list in turn with the preview box
    // ticked, and records what the memo showed.
    QStringList Previews(const QStringList& files) {
        QStringList shown;
        TTextOpenDialog dialog;
        dialog.SetInitialDir(FDir.path());
        dialog.SetPreview(true);
        WhenModal([&](QWidget* m) {
            auto* memo = Child<QPlainTextEdit>(m, "PreviewMemo");
            auto* list = Child<QListView>(m, "listView");
            ASSERT_TRUE(memo && list);
            for (const QString& file : files) {
                QModelIndex index;
                ASSERT_TRUE(QTest::qWaitFor([&] {
                    index = ListedEntry(list, QFileInfo(file).fileName());
                    return index.isValid() && list->visualRect(index).isValid();
                })) << file.toStdString();
                list->scrollTo(index);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualRect(index).center());
                EXPECT_TRUE(m->isVisible());
                shown << memo->toPlainText();
            }
        });
        dialog.Execute();
        return shown;
    }

    QStringList Errors;

private:
    QTemporaryDir FDir;
};

TEST_F(FormPreview, FormFilesShowTheirTextualNotationCutAt1024Bytes) {
    const QByteArray caption(2000, 'a');
    const QByteArray file = FormFile(FormStream(caption));
    const QString qfm = Write("Unit1.qfm", file);
    const QString backup = Write("Unit1.~qf", file);
    const QString upper = Write("UNIT2.QFM", FormFile(FormStream("It's")));

    const QByteArray head = "object Form1: TForm1\r\n  Caption = '";
    const QString cut = QString::fromLatin1(head + caption.left(1024 - head.size()))
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(Previews({qfm, backup, upper}),
              (QStringList{cut, cut,
                           QStringLiteral("object Form1: TForm1\n  Caption = 'It''s'\nend\n")}));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join(u'\n').toStdString();
}

TEST_F(FormPreview, AFormFileWithoutTheHeaderIsReportedAndShowsNothing) {
    const QString text = Write("Text.qfm", "object Form1: TForm1\r\nend\r\n");
    const QString bare = Write("Bare.qfm", FormStream("x"));
    const QString empty = Write("Empty.~qf", {});
    EXPECT_EQ(Previews({text, bare, empty}), (QStringList{"", "", ""}));
    EXPECT_EQ(Errors, QStringList(3, QStringLiteral("不正なストリーム フォーマット")));
}

TEST_F(FormPreview, AHeaderOverABrokenStreamIsReportedToo) {
    const QString broken = Write("Broken.qfm", FormFile(FormStream("x").left(20)));
    EXPECT_EQ(Previews({broken}), QStringList{""});
    EXPECT_EQ(Errors, QStringList{QStringLiteral("ストリームの読み込みエラー")});
}

TEST_F(FormPreview, OtherExtensionsShowTheBytes) {
    const QString txt = Write("form.txt", QByteArray::fromHex("ff0a00") + "X");
    const QString qfmx = Write("Unit1.qfm.bak", "plain");
    EXPECT_EQ(Previews({txt, qfmx}), (QStringList{QStringLiteral("\uF7FF\n"), "plain"}));
}

} // namespace
