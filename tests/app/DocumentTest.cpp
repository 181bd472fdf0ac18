#include "AppFixture.h"
#include "DropDst.h"
#include "ModalDriver.h"
#include "PathNames.h"
#include "ShineSpdBtn.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records what the desktop was asked to open instead of starting a program.
class ShellSpy : public QObject {
    Q_OBJECT
public:
    ShellSpy() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~ShellSpy() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList Opened;
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& url) {
        Opened << url.toLocalFile();
        Urls << url;
    }
};

// Answers the next save dialog: records its filters, picks filter number
// pick (1-based, 0 keeps the selection) and saves as path, or cancels when
// path is empty.
struct SaveSeen {
    QStringList Filters;
    QString Selected;
};
void AnswerSaveDialog(const QString& path, int pick = 0, SaveSeen* seen = nullptr,
                      std::function<void()> then = {}) {
    WhenModal([=](QWidget* modal) {
        if (then)
            then(); // the next modal is polled for once this one has closed
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        if (seen) {
            seen->Filters = dialog->nameFilters();
            seen->Selected = dialog->selectedNameFilter();
        }
        if (pick > 0)
            dialog->selectNameFilter(dialog->nameFilters().at(pick - 1));
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides accept()
    });
}

void DropUrls(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(40, 40);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

void DropFiles(QWidget* target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    DropUrls(target, urls);
}

// A file made by its bytes, removed by its bytes: Qt's own removal cannot see
// a name that is not UTF-8.
class ByteNamedFile {
public:
    ByteNamedFile(const QByteArray& path, const QByteArray& content) : FPath(path) {
        const int fd = open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        if (fd >= 0) {
            EXPECT_EQ(write(fd, content.constData(), size_t(content.size())), content.size());
            close(fd);
        }
    }
    ByteNamedFile(const ByteNamedFile&) = delete;
    ByteNamedFile& operator=(const ByteNamedFile&) = delete;
    ~ByteNamedFile() { unlink(FPath.constData()); }

private:
    QByteArray FPath;
};

} // namespace

class DocumentTest : public AppTest {
protected:
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return Dir.filePath(name); }
};

TEST_F(DocumentTest, NewAlwaysAsksAndClearsOnlyOnYes) {
    Form->RichEdit1->Lines().SetText("keep");
    MessageBoxSeen seen;
    AnswerMessageBox("No", &seen);
    QTest::mouseClick(Form->ShineSpeedButton11, Qt::LeftButton);
    EXPECT_EQ(seen.Text, "現在の内容を廃棄します。よろしいですか。");
    EXPECT_EQ(seen.Caption, "確認");
    EXPECT_EQ(seen.Icon, QMessageBox::Question);
    EXPECT_EQ(seen.Buttons, QStringList({"Yes", "No"}));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "keep");

    WriteBytes(Path("a.txt"), "text");
    Run([&] { Form->DropDst1FileDrop(nullptr, {Path("a.txt")}, 0, 0); });
    Form->RichEdit1->insertPlainText("x");
    AnswerMessageBox("Yes");
    ChooseMenuItem("new1");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "");
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), "");
    EXPECT_EQ(Form->windowTitle(), Path("a.txt")); // the caption stays

    seen = {};
    AnswerMessageBox("No", &seen); // an empty, unchanged editor still asks
    ClickButton(Form->ShineSpeedButton11);
    EXPECT_TRUE(seen.Shown);
}

TEST_F(DocumentTest, DropLoadsTheFirstFileWithoutAsking) {
    WriteBytes(Path("one 日本#%.txt"), "first\r\nfile");
    WriteBytes(Path("two.txt"), "second");
    Form->show();
    Form->RichEdit1->Lines().SetText("unsaved");
    DropFiles(Form->RichEdit1->viewport(),
              {Path("one 日本#%.txt"), Path("two.txt"), Path("3.txt")});
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "first\nfile");
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), Path("one 日本#%.txt"));
    EXPECT_EQ(Form->windowTitle(), Path("one 日本#%.txt"));
    EXPECT_EQ(Form->SaveDialog1->InitialDir(), Dir.path() + "/");
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DocumentTest, OpenReplacesTheTextWithoutAsking) {
    WriteBytes(Path("notes.txt"), "\x93\xfa\x96\x7b\r\nnotes\r\n");
    Form->RichEdit1->Lines().SetText("unsaved");
    Form->RichEdit1->SetModified(true);
    QString shownName;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        shownName = name->text();
        name->setText(Path("notes.txt"));
        static_cast<QDialog*>(dialog)->accept();
    });
    ChooseMenuItem("open1");
    EXPECT_EQ(shownName, "*.txt");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "日本\nnotes\n");
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), Path("notes.txt"));
    EXPECT_EQ(Form->windowTitle(), Path("notes.txt"));
    EXPECT_EQ(Form->SaveDialog1->InitialDir(), Dir.path() + "/");

    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    QTest::mouseClick(Form->ShineSpeedButton1, Qt::LeftButton); // cancelled: nothing changes
    EXPECT_EQ(Form->CurFileName(), Path("notes.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Count(), 2);
}

TEST_F(DocumentTest, CaptionShowsAnyPathAsItIs) {
    Form->show();
    WriteBytes(Path("a[*]b.txt"), "x");
    Run([&] { Form->DropDst1FileDrop(nullptr, {Path("a[*]b.txt")}, 0, 0); });
    EXPECT_EQ(Form->windowHandle()->title(), Path("a[*]b.txt"));
}

TEST_F(DocumentTest, AFailedOpenOrDropLeavesTheTypedTextAndItsFlag) {
    Form->show();
    QTest::keyClicks(Form->RichEdit1, "typed");
    QTest::keyClick(Form->RichEdit1, Qt::Key_Return);
    QTest::keyClicks(Form->RichEdit1, "lines");
    const auto expectKept = [&](qsizetype errors) {
        EXPECT_EQ(Form->RichEdit1->Lines().Text(), "typed\nlines");
        EXPECT_TRUE(Form->RichEdit1->Modified());
        EXPECT_EQ(Form->windowTitle(), "Vexla");
        EXPECT_EQ(Form->CurFileName(), "");
        EXPECT_EQ(Errors.size(), errors);
    };

    DropFiles(Form->RichEdit1->viewport(), {Dir.path()}); // a folder
    expectKept(1);
    EXPECT_EQ(Errors[0], QStringLiteral("ファイル %1 は開けません").arg(Dir.path()));
    DropFiles(Form->RichEdit1->viewport(), {Path("missing.txt")});
    expectKept(2);

    // Chosen in the dialog, deleted before it is read.
    WriteBytes(Path("gone.txt"), "gone");
    WhenModal([&](QWidget* modal) {
        modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Path("gone.txt"));
        QFile::remove(Path("gone.txt"));
        static_cast<QDialog*>(modal)->accept();
    });
    ClickButton(Form->ShineSpeedButton1);
    expectKept(3);
    EXPECT_TRUE(Errors[2].contains("gone.txt"));
    QTest::keyClick(Form->RichEdit1, Qt::Key_Z, Qt::ControlModifier); // typing still undoes
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "typed\n");
}

TEST_F(DocumentTest, AnOpenIsOneUndoStepThatBringsBackTheTextAndItsFlag) {
    WriteBytes(Path("a.txt"), "file a\r\n");
    WriteBytes(Path("b.txt"), "file b");
    Form->show();
    QTest::keyClicks(Form->RichEdit1, "typed");
    DropFiles(Form->RichEdit1->viewport(), {Path("a.txt")});
    ASSERT_EQ(Form->RichEdit1->Lines().Text(), "file a\n");
    ASSERT_FALSE(Form->RichEdit1->Modified());

    QTest::keyClick(Form->RichEdit1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "typed");
    EXPECT_TRUE(Form->RichEdit1->Modified());
    QTest::keyClick(Form->RichEdit1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "file a\n");
    EXPECT_FALSE(Form->RichEdit1->Modified());

    // An unchanged text comes back unchanged, through the menu too; the steps
    // before the replaced text are not kept.
    WhenModal([&](QWidget* modal) {
        modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Path("b.txt"));
        static_cast<QDialog*>(modal)->accept();
    });
    ChooseMenuItem("open1");
    ASSERT_EQ(Form->RichEdit1->Lines().Text(), "file b");
    ChooseMenuItem("mUndo");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "file a\n");
    EXPECT_FALSE(Form->RichEdit1->Modified());
    ChooseMenuItem("mUndo");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "file a\n");
    EXPECT_EQ(Form->CurFileName(), Path("b.txt")); // the file stays the one opened
}

TEST_F(DocumentTest, TooLargeFileIsRefusedBeforeTheEditorIsTouched) {
    QFile big(Path("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(20000001))); // sparse: no memory or disk spent
    big.close();
    Form->RichEdit1->Lines().SetText("kept");
    Run([&] { Form->DropDst1FileDrop(nullptr, {Path("big.txt")}, 0, 0); });
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "kept");
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains("big.txt"));
}

TEST_F(DocumentTest, SaveWritesCp932WithCrLfAndFollowsTheFilterOrder) {
    ShellSpy shell;
    Form->CheckBox2->setChecked(false);
    Form->RichEdit1->Lines().SetText("日本語\nline");
    SaveSeen seen;
    AnswerSaveDialog(Path("page"), 2, &seen);
    QTest::mouseClick(Form->ShineSpeedButton2, Qt::LeftButton);
    EXPECT_EQ(seen.Filters.size(), 3);
    EXPECT_TRUE(seen.Filters[0].startsWith("Htm(*.htm)"));
    EXPECT_TRUE(seen.Filters[1].startsWith("Html(*.html)"));
    EXPECT_EQ(seen.Selected, seen.Filters[0]);
    // A name typed without extension gets the default "htm".
    EXPECT_EQ(ReadBytes(Path("page.htm")), QByteArray("\x93\xfa\x96\x7b\x8c\xea\r\nline"));
    EXPECT_EQ(Form->CurFileName(), Path("page.htm"));
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->windowTitle(), "Vexla");

    // The dialog reopens on the position last confirmed, with the order the
    // Html box chooses.
    Form->CheckBox1->setChecked(true);
    AnswerSaveDialog(QString(), 0, &seen);
    ChooseMenuItem("save1");
    EXPECT_TRUE(seen.Filters[0].startsWith("Html(*.html)"));
    EXPECT_EQ(seen.Selected, seen.Filters[1]);
    EXPECT_TRUE(shell.Opened.isEmpty());
}

TEST_F(DocumentTest, PreviewAfterSaveOrCancel) {
    ShellSpy shell;
    // Nothing opened or saved yet, dialog cancelled: the message, not the shell.
    MessageBoxSeen seen;
    AnswerSaveDialog(QString(), 0, nullptr, [&] { AnswerMessageBox("OK", &seen); });
    ClickButton(Form->ShineSpeedButton2);
    EXPECT_EQ(seen.Text, "HTMLファイルがありません");
    EXPECT_EQ(seen.Caption, "Vexla");
    EXPECT_EQ(seen.Buttons, QStringList({"OK"}));
    EXPECT_TRUE(shell.Opened.isEmpty());

    // A text file opened, dialog cancelled: the shell opens that file.
    WriteBytes(Path("notes.txt"), "notes");
    Run([&] { Form->DropDst1FileDrop(nullptr, {Path("notes.txt")}, 0, 0); });
    AnswerSaveDialog(QString());
    ClickButton(Form->ShineSpeedButton2);
    EXPECT_EQ(shell.Opened, QStringList({Path("notes.txt")}));

    // Confirmed: the saved page.
    AnswerSaveDialog(Path("page.html"));
    ClickButton(Form->ShineSpeedButton2);
    EXPECT_EQ(shell.Opened.last(), Path("page.html"));

    // Box not ticked: nothing.
    Form->CheckBox2->setChecked(false);
    AnswerSaveDialog(Path("page.html"));
    ClickButton(Form->ShineSpeedButton2);
    EXPECT_EQ(shell.Opened.size(), 2);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DocumentTest, PreviewSaysSoWhenTheDesktopCannotOpenThePage) {
    // No handler: the offscreen platform has no desktop to open files with.
    Form->CheckBox2->setChecked(true);
    AnswerSaveDialog(Path("page.htm"));
    ClickButton(Form->ShineSpeedButton2);
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(Path("page.htm")));
    EXPECT_EQ(Form->CurFileName(), Path("page.htm")); // the save itself went through
}

TEST_F(DocumentTest, DeclinedReferencesKeepStateAndSkipThePreview) {
    ShellSpy shell;
    WriteBytes(Path("page.htm"), "old");
    Form->RichEdit1->Lines().SetText(QStringLiteral("café"));
    Form->RichEdit1->SetModified(true);
    AnswerSaveDialog(Path("page.htm"), 0, nullptr, [] { AnswerMessageBox("No"); });
    ClickButton(Form->ShineSpeedButton2);
    EXPECT_TRUE(Errors.isEmpty());
    EXPECT_EQ(ReadBytes(Path("page.htm")), "old");
    EXPECT_TRUE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), "");
    EXPECT_TRUE(shell.Opened.isEmpty());
}

TEST_F(DocumentTest, SaveOntoAReadOnlyFileFailsWithTheCreateMessage) {
    if (!RunUnprivileged())
        return;
    WriteBytes(Path("page.htm"), "old");
    chmod(QFile::encodeName(Path("page.htm")).constData(), 0444);
    Form->CheckBox2->setChecked(false);
    Form->RichEdit1->Lines().SetText("new");
    AnswerSaveDialog(Path("page.htm"));
    ClickButton(Form->ShineSpeedButton2);
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0], QStringLiteral("ファイル %1 を作成できません (%2)")
                             .arg(Path("page.htm"), SystemErrorText(EACCES)));
    EXPECT_EQ(ReadBytes(Path("page.htm")), "old");
}

TEST_F(DocumentTest, SavingOntoAFifoIsRefusedAndLeavesIt) {
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("page.htm")).constData(), 0600), 0);
    Form->CheckBox2->setChecked(false);
    Form->RichEdit1->Lines().SetText("new");
    Form->RichEdit1->SetModified(true);
    AnswerSaveDialog(Path("page.htm"));
    ClickButton(Form->ShineSpeedButton2); // must not block
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0],
              QStringLiteral("ファイル %1 を作成できません (通常のファイルではありません)")
                  .arg(Path("page.htm")));
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(Path("page.htm")).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), "");
}

// "日本.txt" as a Shift-JIS system names it.
TEST_F(DocumentTest, ANameThatIsNotUtf8IsDroppedOpenedShownAndPreviewed) {
    const QByteArray folder = QFile::encodeName(Dir.path());
    const QByteArray bytes = folder + "/\x93\xfa\x96\x7b.txt";
    ByteNamedFile file(bytes, "\x93\xfa\x96\x7b\r\n");
    const QString readable = Path(QStringLiteral("日本.txt"));
    Form->show();

    // Dropped: the URL's percent-encoded bytes name the file.
    DropUrls(Form->RichEdit1->viewport(),
             {QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"))});
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("日本\n"));
    EXPECT_EQ(PathToBytes(Form->CurFileName()), bytes);
    EXPECT_EQ(Form->windowTitle(), readable);

    // Previewed: the shell is given the same bytes.
    ShellSpy shell;
    Form->CheckBox2->setChecked(true);
    AnswerSaveDialog(QString());
    ClickButton(Form->ShineSpeedButton2);
    ASSERT_EQ(shell.Urls.size(), 1);
    EXPECT_EQ(QByteArray::fromPercentEncoding(shell.Urls[0].path(QUrl::FullyEncoded).toLatin1()),
              bytes);

    // Opened through the dialog, which lists it by the name as it reads.
    Form->RichEdit1->Lines().Clear();
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(Dir.path());
        auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        QModelIndex entry;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (entry = ListedEntry(list, QStringLiteral("日本.txt"))).isValid(); }));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(entry).center());
    });
    ClickButton(Form->ShineSpeedButton1);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("日本\n"));
    EXPECT_EQ(PathToBytes(Form->CurFileName()), bytes);

    // One that cannot be read is named readably.
    const QByteArray gone = folder + "/\x8c\xea.txt";
    DropUrls(Form->RichEdit1->viewport(),
             {QUrl::fromEncoded("file://" + gone.toPercentEncoding("/"))});
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].startsWith(
        QStringLiteral("ファイル %1 は開けません").arg(Path(QStringLiteral("語.txt")))))
        << Errors[0].toStdString();
}

TEST_F(DocumentTest, AFileUrlOfAnotherHostIsNotTakenForALocalFile) {
    // Taken as a local path, file://otherhost/x would be opened as
    // //otherhost/x; it is not a file here, so nothing is opened or reported.
    WriteBytes(Path("a.txt"), "LOADED");
    Form->show();
    QUrl remote = QUrl::fromLocalFile(Path("a.txt"));
    remote.setHost(QStringLiteral("otherhost"));
    DropUrls(Form->RichEdit1->viewport(), {remote});
    EXPECT_FALSE(Form->RichEdit1->Lines().Text().contains("LOADED"));
    EXPECT_EQ(Form->CurFileName(), "");
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(DocumentTest, ModifiedFlagThroughTheCommands) {
    ShellSpy shell;
    Form->CheckBox2->setChecked(false);
    Form->show();
    QTest::keyClicks(Form->RichEdit1, "typed");
    EXPECT_TRUE(Form->RichEdit1->Modified());
    AnswerSaveDialog(Path("a.htm"));
    ClickButton(Form->ShineSpeedButton2);
    EXPECT_FALSE(Form->RichEdit1->Modified());
    ClickButton(Form->ShineSpeedButton3); // the editor's own tracking
    EXPECT_TRUE(Form->RichEdit1->Modified());
    Run([&] { Form->DropDst1FileDrop(nullptr, {Path("a.htm")}, 0, 0); });
    EXPECT_FALSE(Form->RichEdit1->Modified());
}

TEST_F(DocumentTest, CloseAsksOnlyWhenModified) {
    Form->show();
    EXPECT_TRUE(Form->close()); // unchanged: no prompt
    Form->show();
    Form->RichEdit1->insertPlainText("typed");
    ASSERT_TRUE(Form->RichEdit1->Modified());
    MessageBoxSeen seen;
    AnswerMessageBox("No", &seen);
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(seen.Text, "現在の内容を廃棄します。よろしいですか");
    EXPECT_EQ(seen.Caption, "確認");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "typed");
    AnswerMessageBox("Yes");
    ChooseMenuItem("Exit1");
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "");
}

TEST_F(DocumentTest, EditMenuActsOnTheEditorWhereverTheFocusIs) {
    Form->show();
    Form->RichEdit1->Lines().SetText("abc");
    Form->Edit1->setFocus();
    ChooseMenuItem("mSelctAll1");
    EXPECT_EQ(Form->RichEdit1->textCursor().selectedText(), "abc");
    ChooseMenuItem("mCopy1");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
    ChooseMenuItem("mCut1");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "");
    Form->RichEdit1->insertPlainText("x");
    ChooseMenuItem("mPaste1");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "xabc");
    ChooseMenuItem("mUndo");
    EXPECT_NE(Form->RichEdit1->Lines().Text(), "xabc");
    EXPECT_EQ(Form->Edit1->text(), "Tips");
}

TEST_F(DocumentTest, AboutBoxNamesTheProgram) {
    MessageBoxSeen seen;
    AnswerMessageBox("OK", &seen);
    ChooseMenuItem("version1");
    EXPECT_TRUE(seen.Text.contains("Vexla"));
    EXPECT_TRUE(seen.Text.contains("1.04"));
}

#include "DocumentTest.moc"
