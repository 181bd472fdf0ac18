// The real dialogs, driven headless as a person would.
#include "TextDlgs.h"

#include "Application.h"
#include "Cp932.h"
#include "ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSizeGrip>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const WebFilter = "Html(*.html)|*.html|Htm(*.htm)|*.htm|All(*.*)|*.*";

QLineEdit* NameBox(QWidget* m) {
    return Child<QLineEdit>(m, "fileNameEdit");
}
QCheckBox* PreviewBox(QWidget* m) {
    return Child<QCheckBox>(m, "PreviewCheckBox");
}
QPlainTextEdit* Memo(QWidget* m) {
    return Child<QPlainTextEdit>(m, "PreviewMemo");
}
QString MemoText(QWidget* m) {
    return Memo(m) ? Memo(m)->toPlainText() : "<no memo>";
}

// Picks a type as a click in the combo box's drop-down list does.
void ChooseType(QWidget* m, int index) {
    auto* combo = Child<QComboBox>(m, "fileTypeCombo");
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    emit combo->textActivated(combo->itemText(index));
}

void SelectInList(QWidget* m, const QString& path) {
    auto* list = Child<QListView>(m, "listView");
    list->setCurrentIndex(qobject_cast<QFileSystemModel*>(list->model())->index(path));
}

void ClickOpen(QWidget* m) {
    Child<QDialogButtonBox>(m, "buttonBox")->button(QDialogButtonBox::Open)->click();
}

class OpenDialogs : public ::testing::Test {
protected:
    OpenDialogs() {
        Application()->OnException = [this](const QString& m) { Errors << m; };
    }
    ~OpenDialogs() override { Application()->OnException = nullptr; }

    QString Path(const QString& name) const { return FDir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return Path(name);
    }
    bool ExecuteWith(TOpenDialog& dialog, std::function<void(QWidget*)> act) {
        dialog.SetInitialDir(FDir.path());
        WhenModal(std::move(act));
        return dialog.Execute();
    }

    QStringList Errors;

private:
    QTemporaryDir FDir;
};

} // namespace

TEST_F(OpenDialogs, NameInBoxFollowsTheChosenType) {
    TExtChangeOpenDialog dialog;
    dialog.SetFilter(WebFilter);
    dialog.SetFilterIndex(2);
    dialog.SetFileName("page.htm");
    int typeChanges = 0;
    dialog.OnTypeChange = [&](QObject*) { ++typeChanges; };
    auto expectAfterChoosing = [&](QWidget* m, int index, const char* name, const char* ext) {
        ChooseType(m, index);
        EXPECT_EQ(NameBox(m)->text(), name);
        EXPECT_EQ(dialog.DefaultExt(), ext);
        EXPECT_EQ(dialog.FilterIndex(), index + 1);
    };
    ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_EQ(dialog.DefaultExt(), "htm"); // from the initial type
        expectAfterChoosing(m, 0, "page.html", "html");
        expectAfterChoosing(m, 2, "page.*", "*");
        NameBox(m)->setText("sub.d/name");
        expectAfterChoosing(m, 1, "sub.d/name.htm", "htm");
        NameBox(m)->setText("*.txt");
        expectAfterChoosing(m, 0, "*.html", "html");
        NameBox(m)->setText("");
        expectAfterChoosing(m, 1, "*.htm", "htm");
        ChooseType(m, 1); // the same type again is no change
    });
    EXPECT_EQ(typeChanges, 5);
    EXPECT_EQ(dialog.DefaultExt(), "htm");
    EXPECT_EQ(dialog.FileName(), "page.htm"); // cancelled

    dialog.SetFilter("Web|*.htm;*.html|Text|*.txt;*.log|Any|*");
    dialog.SetFilterIndex(1);
    ExecuteWith(dialog, [&](QWidget* m) {
        expectAfterChoosing(m, 1, "page.txt", "txt");
        expectAfterChoosing(m, 2, "page", "");
    });
}

TEST_F(OpenDialogs, AutoExtChangeOffTouchesNothing) {
    TExtChangeOpenDialog dialog;
    dialog.SetAutoExtChange(false);
    dialog.SetFilter(WebFilter);
    dialog.SetFilterIndex(2);
    dialog.SetDefaultExt("txt");
    dialog.SetFileName("page.htm");
    ExecuteWith(dialog, [&](QWidget* m) {
        ChooseType(m, 0);
        EXPECT_EQ(NameBox(m)->text(), "page.htm");
    });
    EXPECT_EQ(dialog.DefaultExt(), "txt");
}

TEST_F(OpenDialogs, MainWindowUseReturnsTheChosenFile) {
    const QString file = Write("a.txt", "text");
    QDir().mkdir(Path("sub"));
    TTextOpenDialog dialog;
    dialog.SetPreview(false);
    dialog.SetFileName("*.txt");
    EXPECT_TRUE(ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_EQ(NameBox(m)->text(), "*.txt");
        EXPECT_FALSE(PreviewBox(m)->isChecked());
        ClickOpen(m); // a wildcard narrows the listing and keeps the dialog open
        EXPECT_TRUE(m->isVisible());
        NameBox(m)->setText(Path("sub/*.htm"));
        ClickOpen(m);
        EXPECT_TRUE(m->isVisible());
        EXPECT_EQ(NameBox(m)->text(), "*.htm");
        EXPECT_EQ(static_cast<QFileDialog*>(m)->directory().path(), Path("sub"));
        static_cast<QFileDialog*>(m)->setDirectory(Path(""));
        NameBox(m)->setText("a.txt");
        ClickOpen(m);
    }));
    EXPECT_EQ(dialog.FileName(), file);
    EXPECT_FALSE(ExecuteWith(dialog, [](QWidget* m) { static_cast<QDialog*>(m)->reject(); }));
    EXPECT_EQ(dialog.FileName(), file);
}

TEST_F(OpenDialogs, PanelCoversTheTemplateAreaOnceWhileShown) {
    TEnhOpenDialog dialog;
    bool panelAtShow = false, panelAtClose = true;
    dialog.OnShow = [&](QObject*) { panelAtShow = dialog.Panel(); };
    dialog.OnClose = [&](QObject*) { panelAtClose = dialog.Panel(); };
    QFile resource(":/dialogs/ENHDLG1");
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QSize area = ExtraAreaSize(*ParseDialogTemplate(resource.readAll()));
    ExecuteWith(dialog, [&](QWidget* m) {
        QFrame* panel = dialog.Panel();
        ASSERT_TRUE(panel && panel->isVisible());
        EXPECT_EQ(panel->frameShape(), QFrame::NoFrame);
        EXPECT_EQ(panel->height(), area.height());
        const QRect onDialog(panel->mapTo(m, QPoint(0, 0)), panel->size());
        EXPECT_GE(onDialog.top(), Child<QWidget>(m, "fileTypeCombo")->geometry().bottom());
        EXPECT_LE(onDialog.bottom(), m->height());
        const QRect before = panel->geometry();
        m->resize(m->width() + 100, m->height() + 80);
        QTest::qWait(20);
        EXPECT_EQ(panel->geometry(), before);
    });
    EXPECT_TRUE(panelAtShow);
    EXPECT_FALSE(panelAtClose);
    EXPECT_EQ(dialog.Panel(), nullptr);
}

TEST_F(OpenDialogs, OldStyleGetsAStripPanelAndNoTypeFollowing) {
    TTextOpenDialog dialog;
    dialog.SetOptions(ofEnableSizing | ofOldStyleDialog);
    dialog.SetFilter(WebFilter);
    dialog.SetFileName("page.htm");
    ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_FALSE(Child<QWidget>(m, "templateArea"));
        EXPECT_EQ(dialog.Panel()->geometry(), QRect(0, m->height() - 10, m->width(), 10));
        ChooseType(m, 1);
        EXPECT_EQ(NameBox(m)->text(), "page.htm");
    });
}

TEST_F(OpenDialogs, TickingShowsTheSelectedFileAndUntickingClears) {
    const QString file = Write("a.txt", QByteArray("one\r\ntwo\rthree\nfour\0hidden", 26));
    TTextOpenDialog dialog;
    ExecuteWith(dialog, [&](QWidget* m) {
        SelectInList(m, file);
        EXPECT_EQ(MemoText(m), "");
        for (const char* expected : {"one\ntwo\nthree\nfour", "", "one\ntwo\nthree\nfour"}) {
            PreviewBox(m)->click();
            EXPECT_EQ(MemoText(m), expected);
        }
    });
    EXPECT_TRUE(dialog.Preview()); // the box's state at close
}

TEST_F(OpenDialogs, ShowsAtMost1024BytesAndNothingForFolders) {
    const QString exact = Write("exact.txt", QByteArray(1023, 'a') + 'Z');
    const QString longer = Write("longer.txt", QByteArray(1024, 'b') + 'Y');
    const QString split = Write("split.txt", QByteArray(1023, 'c') + "\x82\xa0");
    QDir().mkdir(Path("sub"));
    TTextOpenDialog dialog;
    dialog.SetPreview(true);
    ExecuteWith(dialog, [&](QWidget* m) {
        SelectInList(m, exact);
        EXPECT_EQ(MemoText(m), QString(1023, u'a') + u'Z');
        SelectInList(m, longer);
        EXPECT_EQ(MemoText(m), QString(1024, u'b'));
        SelectInList(m, split); // the lead byte alone
        EXPECT_EQ(MemoText(m), QString(1023, u'c') + QChar(Cp932::EscapeBase + 0x82));
        SelectInList(m, Path("sub"));
        EXPECT_EQ(MemoText(m), "");
    });
}

TEST_F(OpenDialogs, NoPlainFileLeavesTheMemoEmptyWithoutErrors) {
    Write("a.txt", "text");
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
    QFile::link(Path("gone"), Path("dangling"));
    TTextOpenDialog dialog;
    dialog.SetPreview(true);
    ExecuteWith(dialog, [&](QWidget* m) {
        for (const char* name : {"pipe", "dangling", "*.txt", "missing"}) {
            NameBox(m)->setText(Path(name));
            PreviewBox(m)->click(); // unticks
            PreviewBox(m)->click(); // ticks and refreshes
            EXPECT_EQ(MemoText(m), "") << name;
        }
    });
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(OpenDialogs, UnreadableFileIsReportedAndTheDialogStaysOpen) {
    // Opens as a regular file but fails to read, whoever runs the test.
    QStringList unreadable{"/proc/self/mem"};
    if (geteuid() != 0) {
        unreadable << Write("secret.txt", "secret");
        chmod(QFile::encodeName(unreadable.last()).constData(), 0);
    }
    TTextOpenDialog dialog;
    ExecuteWith(dialog, [&](QWidget* m) {
        for (const QString& name : unreadable) {
            NameBox(m)->setText(name);
            PreviewBox(m)->setChecked(true);
            EXPECT_TRUE(m->isVisible());
            EXPECT_EQ(MemoText(m), "");
            PreviewBox(m)->setChecked(false);
        }
    });
    ASSERT_EQ(Errors.size(), unreadable.size());
    for (qsizetype i = 0; i < unreadable.size(); ++i)
        EXPECT_EQ(Errors[i], QStringLiteral("ファイル %1 は開けません").arg(unreadable[i]));
}

TEST_F(OpenDialogs, PreviewSetWhileShownTicksAndRefreshes) {
    const QString file = Write("a.txt", "hello");
    TTextOpenDialog dialog;
    dialog.SetPreview(true); // only stored
    ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_TRUE(PreviewBox(m)->isChecked());
        EXPECT_EQ(MemoText(m), ""); // no preview before a selection
        SelectInList(m, file);
        for (bool preview : {false, true}) {
            dialog.SetPreview(preview);
            EXPECT_EQ(PreviewBox(m)->isChecked(), preview);
            EXPECT_EQ(MemoText(m), preview ? "hello" : "");
        }
    });
}

TEST_F(OpenDialogs, MemoKeepsClearOfTheSizeGrip) {
    TTextOpenDialog dialog;
    auto memoGap = [&]() {
        int gap = -1;
        ExecuteWith(dialog, [&](QWidget* m) {
            const QPlainTextEdit* memo = Memo(m);
            EXPECT_TRUE(memo->isReadOnly());
            EXPECT_EQ(memo->font().family(), "Arial");
            EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            EXPECT_EQ(memo->geometry().topLeft(), QPoint(5, 25));
            EXPECT_EQ(memo->height(), dialog.Panel()->height() - 30);
            gap = dialog.Panel()->width() - 10 - memo->width();
        });
        return gap;
    };
    QWidget host;
    EXPECT_EQ(memoGap(), QSizeGrip(&host).sizeHint().width());
    dialog.SetOptions(ofHideReadOnly);
    EXPECT_EQ(memoGap(), 0);
}
