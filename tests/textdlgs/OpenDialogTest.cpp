// The real dialogs, driven headless as a person would.
#include "TextDlgs.h"

#include "Application.h"
#include "Cp932.h"
#include "ModalDriver.h"
#include "PathNames.h"
#include "SysUtils.h"
#include "Unprivileged.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Readable failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

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

QListView* FileList(QWidget* m) {
    return Child<QListView>(m, "listView");
}

// The entries the list shows, in its order.
QStringList Listing(QWidget* m) {
    QListView* list = FileList(m);
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
        names << list->model()->index(row, 0, list->rootIndex()).data().toString();
    return names;
}

// The listing is read in the background and sorted afterwards.
::testing::AssertionResult ListingBecomes(QWidget* m, const QStringList& names) {
    if (QTest::qWaitFor([&] { return Listing(m) == names; }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the list shows " << Listing(m).join(u',').toStdString();
}

// A click on the entry's row in the list, as the mouse gives it.
void ClickEntry(QWidget* m, const QString& name) {
    QListView* list = FileList(m);
    QModelIndex index;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (index = ListedEntry(list, name)).isValid(); }))
        << name.toStdString();
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

// A click on the preview box's square, through the dialog's window, so it
// reaches whatever widget lies on top there.
void ClickPreviewBox(QWidget* m) {
    QCheckBox* box = PreviewBox(m);
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect square = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(m->windowHandle(), Qt::LeftButton, {}, box->mapTo(m, square.center()));
}

// Replaces the file-name box's text by typing, as a person does.
void TypeName(QWidget* m, const QString& text) {
    QLineEdit* box = NameBox(m);
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

QStringList TypeList(QWidget* m) {
    auto* combo = Child<QComboBox>(m, "fileTypeCombo");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

void ClickOpen(QWidget* m) {
    Child<QDialogButtonBox>(m, "buttonBox")->button(QDialogButtonBox::Open)->click();
}

class OpenDialogs : public ::testing::Test {
protected:
    OpenDialogs() {
        Application()->OnException = [this](const QString& m) { Errors << m; };
    }
    ~OpenDialogs() override {
        Application()->OnException = nullptr;
        // Qt's own removal does not see these names.
        for (const QByteArray& path : FByteNamed)
            ::unlink(path.constData());
    }

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

    // A file under a name given as bytes, as a Shift-JIS system makes it.
    void WriteByteNamed(const QString& folder, const QByteArray& name, const QByteArray& bytes) {
        const QByteArray path = QFile::encodeName(folder) + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        FByteNamed.push_back(path);
        EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }

    QStringList Errors;

private:
    QTemporaryDir FDir;
    std::vector<QByteArray> FByteNamed;
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
        // From 10 pixels above the standard controls' bottom (where the
        // template's area starts) to the dialog's bottom, full width.
        QWidget* templateArea = Child<QWidget>(m, "templateArea");
        EXPECT_EQ(templateArea->height(), area.height());
        EXPECT_EQ(panel->parentWidget(), m);
        EXPECT_EQ(panel->geometry(), QRect(0, templateArea->y() - 10, m->width(),
                                           m->height() - templateArea->y() + 10));
        // Where the panel overlaps the dialog's own widgets, they keep the mouse.
        const QWidget* combo = Child<QWidget>(m, "fileTypeCombo");
        const QPoint comboFoot = combo->mapTo(m, QPoint(combo->width() / 2, combo->height() - 1));
        ASSERT_GE(comboFoot.y(), panel->y());
        EXPECT_TRUE(combo == m->childAt(comboFoot) || combo->isAncestorOf(m->childAt(comboFoot)));
        const auto* grip = m->findChild<QSizeGrip*>();
        ASSERT_TRUE(grip);
        EXPECT_EQ(m->childAt(grip->geometry().center()), grip);

        const QRect before = panel->geometry();
        const int areaTop = templateArea->y();
        m->resize(m->width() + 100, m->height() + 80);
        ASSERT_TRUE(QTest::qWaitFor([&] { return templateArea->y() != areaTop; }));
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
    Write("a.txt", QByteArray("one\r\ntwo\rthree\nfour\0hidden", 26));
    TTextOpenDialog dialog;
    ExecuteWith(dialog, [&](QWidget* m) {
        ASSERT_TRUE(ListingBecomes(m, {"a.txt"}));
        ClickEntry(m, "a.txt");
        EXPECT_EQ(MemoText(m), "");
        for (const char* expected : {"one\ntwo\nthree\nfour", "", "one\ntwo\nthree\nfour"}) {
            ClickPreviewBox(m);
            EXPECT_EQ(MemoText(m), expected);
        }
    });
    EXPECT_TRUE(dialog.Preview()); // the box's state at close
}

TEST_F(OpenDialogs, PreviewFollowsTheEntryJustClickedOrReachedByKeys) {
    Write("a.txt", "alpha");
    Write("b.txt", "beta");
    QDir().mkdir(Path("sub"));
    TTextOpenDialog dialog;
    dialog.SetPreview(true);
    dialog.SetFileName("*.txt");
    ExecuteWith(dialog, [&](QWidget* m) {
        ASSERT_TRUE(ListingBecomes(m, {"sub", "a.txt", "b.txt"}));
        for (auto [name, shown] :
             {std::pair{"a.txt", "alpha"}, {"b.txt", "beta"}, {"sub", ""}, {"a.txt", "alpha"}}) {
            ClickEntry(m, name);
            EXPECT_EQ(MemoText(m), shown) << "after a click on " << name;
        }
        for (auto [key, shown] : {std::pair{Qt::Key_Down, "beta"},
                                  {Qt::Key_Home, ""},
                                  {Qt::Key_Down, "alpha"},
                                  {Qt::Key_End, "beta"}}) {
            QTest::keyClick(FileList(m), key);
            EXPECT_EQ(MemoText(m), shown) << "after key " << key;
        }
        // Opening a folder leaves nothing selected: the name in the box is
        // not in it.
        QListView* list = FileList(m);
        const QPoint onSub =
            list->visualRect(list->model()->index(0, 0, list->rootIndex())).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onSub);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onSub);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return static_cast<QFileDialog*>(m)->directory().path() == Path("sub"); }));
        EXPECT_EQ(MemoText(m), "");
    });
}

TEST_F(OpenDialogs, NamesWithWildcardCharactersAreFilesWhenTheyExist) {
    const QString starred = Write("a*b?.txt", "starred");
    Write("plain.txt", "plain");
    Write("other.log", "log");
    TTextOpenDialog dialog;
    dialog.SetPreview(true);
    dialog.SetFileName("*.txt"); // names no file: a pattern
    EXPECT_TRUE(ExecuteWith(dialog, [&](QWidget* m) {
        ASSERT_TRUE(ListingBecomes(m, {"a*b?.txt", "plain.txt"}));
        ClickEntry(m, "a*b?.txt");
        EXPECT_EQ(MemoText(m), "starred");
        EXPECT_EQ(NameBox(m)->text(), "a*b?.txt");
        ClickOpen(m);
    }));
    EXPECT_EQ(dialog.FileName(), starred);

    dialog.SetFileName(starred); // names a file: lists everything, opens it
    EXPECT_TRUE(ExecuteWith(dialog, [&](QWidget* m) {
        ASSERT_TRUE(ListingBecomes(m, {"a*b?.txt", "other.log", "plain.txt"}));
        ClickOpen(m);
    }));
    EXPECT_EQ(dialog.FileName(), starred);

    EXPECT_TRUE(ExecuteWith(dialog, [&](QWidget* m) {
        TypeName(m, "*.log");
        ClickOpen(m); // a typed pattern still filters
        ASSERT_TRUE(ListingBecomes(m, {"other.log"}));
        TypeName(m, "a*b?.txt");
        ClickOpen(m);
    }));
    EXPECT_EQ(dialog.FileName(), starred);
}

TEST_F(OpenDialogs, TypeListShowsTheDescriptionsAsWritten) {
    Write("a.txt", "");
    Write("b.log", "");
    Write("noext", "");
    TTextOpenDialog dialog;
    dialog.SetFilter("Text(*.txt)|*.txt;*.log|All(*.*)|*.*|Web  pages|*.htm");
    dialog.SetFilterIndex(2);
    ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_EQ(TypeList(m), QStringList({"Text(*.txt)", "All(*.*)", "Web  pages"}));
        EXPECT_EQ(Child<QComboBox>(m, "fileTypeCombo")->currentIndex(), 1);
        EXPECT_TRUE(ListingBecomes(m, {"a.txt", "b.log", "noext"}));
        ChooseType(m, 0);
        EXPECT_TRUE(ListingBecomes(m, {"a.txt", "b.log"}));
    });
    dialog.SetFilter("");
    ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_EQ(TypeList(m), QStringList());
        EXPECT_TRUE(ListingBecomes(m, {"a.txt", "b.log", "noext"}));
    });
}

TEST_F(OpenDialogs, ShowsAtMost1024BytesAndNothingForFolders) {
    Write("exact.txt", QByteArray(1023, 'a') + 'Z');
    Write("longer.txt", QByteArray(1024, 'b') + 'Y');
    Write("split.txt", QByteArray(1023, 'c') + "\x82\xa0");
    Write("utf8.txt", QStringLiteral("日本%1語").arg(QString(1017, u'd')).toUtf8());
    QDir().mkdir(Path("sub"));
    TTextOpenDialog dialog;
    dialog.SetPreview(true);
    ExecuteWith(dialog, [&](QWidget* m) {
        ASSERT_TRUE(ListingBecomes(m, {"sub", "exact.txt", "longer.txt", "split.txt", "utf8.txt"}));
        ClickEntry(m, "exact.txt");
        EXPECT_EQ(MemoText(m), QString(1023, u'a') + u'Z');
        ClickEntry(m, "longer.txt");
        EXPECT_EQ(MemoText(m), QString(1024, u'b'));
        ClickEntry(m, "split.txt"); // cut at a character boundary
        EXPECT_EQ(MemoText(m), QString(1023, u'c'));
        ClickEntry(m, "utf8.txt"); // read as UTF-8, the cut "語" left out
        EXPECT_EQ(MemoText(m), QStringLiteral("日本") + QString(1017, u'd'));
        ClickEntry(m, "sub");
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
    if (!RunUnprivileged())
        return;
    // Each opens as a regular file but fails to read.
    const QString secret = Write("secret.txt", "secret");
    chmod(QFile::encodeName(secret).constData(), 0);
    QStringList expected;
    TTextOpenDialog dialog;
    dialog.SetPreview(true);
    for (const QString& file : {QStringLiteral("/proc/self/mem"), secret}) {
        dialog.SetFileName(ExtractFilePath(file)); // opens in the file's folder
        const QString name = QFileInfo(file).fileName();
        ExecuteWith(dialog, [&](QWidget* m) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return Listing(m).contains(name); }));
            ClickEntry(m, name);
            EXPECT_TRUE(m->isVisible());
            EXPECT_EQ(MemoText(m), "");
            expected << QStringLiteral("ファイル %1 は開けません")
                            .arg(static_cast<QFileDialog*>(m)->directory().absoluteFilePath(name));
        });
    }
    EXPECT_EQ(Errors, expected);
}

TEST_F(OpenDialogs, PreviewSetWhileShownTicksAndRefreshes) {
    Write("a.txt", "hello");
    TTextOpenDialog dialog;
    dialog.SetPreview(true); // only stored
    ExecuteWith(dialog, [&](QWidget* m) {
        EXPECT_TRUE(PreviewBox(m)->isChecked());
        EXPECT_EQ(MemoText(m), ""); // no preview before a selection
        ASSERT_TRUE(ListingBecomes(m, {"a.txt"}));
        ClickEntry(m, "a.txt");
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

namespace {

const QByteArray kNihonTxt = "\x93\xfa\x96\x7b.txt"; // 日本.txt
const QByteArray kNihon = "\x93\xfa\x96\x7b\r\n";    // 日本

} // namespace

// The toolkit's listing leaves such names out; the dialog lists them under
// their readable names, filtered like the rest, and each way a person opens
// an entry opens the file by its bytes.
TEST_F(OpenDialogs, FilesNamedNotInUtf8AreListedPreviewedAndOpened) {
    Write("a.txt", "a");
    WriteByteNamed(Path(""), kNihonTxt, kNihon);
    WriteByteNamed(Path(""), "\x8c\xea.htm", "htm");  // 語.htm
    WriteByteNamed(Path(""), ".\x8c\xea.txt", "dot"); // hidden
    QDir().mkdir(Path("sub"));
    WriteByteNamed(Path("sub"), "\x89\x70.txt", "sub"); // 英.txt
    const QByteArray wanted = QFile::encodeName(Path("")) + '/' + kNihonTxt;

    enum { Click, DoubleClick, Enter };
    for (const int how : {Click, DoubleClick, Enter}) {
        SCOPED_TRACE(how);
        TTextOpenDialog dialog;
        dialog.SetFilter("Text(*.txt)|*.txt|All(*.*)|*.*");
        dialog.SetPreview(true);
        const bool opened = ExecuteWith(dialog, [&](QWidget* m) {
            ASSERT_TRUE(ListingBecomes(m, {"sub", "a.txt", QStringLiteral("日本.txt")}));
            if (how == Click) {
                ChooseType(m, 1);
                ASSERT_TRUE(ListingBecomes(
                    m, {"sub", "a.txt", QStringLiteral("日本.txt"), QStringLiteral("語.htm")}));
                static_cast<QFileDialog*>(m)->setDirectory(Path("sub"));
                ASSERT_TRUE(ListingBecomes(m, {QStringLiteral("英.txt")}));
                static_cast<QFileDialog*>(m)->setDirectory(Path(""));
                ASSERT_TRUE(ListingBecomes(
                    m, {"sub", "a.txt", QStringLiteral("日本.txt"), QStringLiteral("語.htm")}));
            }
            ClickEntry(m, QStringLiteral("日本.txt"));
            EXPECT_EQ(NameBox(m)->text(), QStringLiteral("日本.txt"));
            EXPECT_EQ(MemoText(m), QStringLiteral("日本\n"));
            EXPECT_TRUE(m->isVisible());
            QListView* list = FileList(m);
            const QRect row = list->visualRect(ListedEntry(list, QStringLiteral("日本.txt")));
            if (how == Click) {
                QPushButton* open =
                    Child<QDialogButtonBox>(m, "buttonBox")->button(QDialogButtonBox::Open);
                ASSERT_TRUE(open->isEnabled());
                QTest::mouseClick(open, Qt::LeftButton);
            } else if (how == DoubleClick) {
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
            } else {
                QTest::keyClick(list, Qt::Key_Return);
            }
        });
        EXPECT_TRUE(opened);
        EXPECT_EQ(PathToBytes(dialog.FileName()), wanted);
        EXPECT_TRUE(Errors.isEmpty()) << Errors.join(u'\n').toStdString();
    }
}

// A dialog for existing files only takes the readable name typed in too.
TEST_F(OpenDialogs, AReadableNameTypedInOpensTheFileNamedNotInUtf8) {
    WriteByteNamed(Path(""), kNihonTxt, kNihon);
    TOpenDialog dialog;
    dialog.SetOptions(dialog.Options() | ofFileMustExist);
    EXPECT_TRUE(ExecuteWith(dialog, [&](QWidget* m) {
        QTest::mouseClick(NameBox(m), Qt::LeftButton);
        // Typed as an input method commits it.
        QTest::sendKeyEvent(QTest::Click, NameBox(m), Qt::Key_unknown, QStringLiteral("日本.txt"),
                            Qt::NoModifier);
        EXPECT_EQ(NameBox(m)->text(), QStringLiteral("日本.txt"));
        QTest::keyClick(NameBox(m), Qt::Key_Return);
    }));
    EXPECT_EQ(PathToBytes(dialog.FileName()), QFile::encodeName(Path("")) + '/' + kNihonTxt);
}

TEST_F(OpenDialogs, OpensWideEnoughForTheDetailColumns) {
    Write("a.txt", QByteArray(233, 'x'));
    QDir().mkdir(Path("folder"));
    TTextOpenDialog dialog;
    dialog.SetFileName("*.txt");
    ExecuteWith(dialog, [&](QWidget* m) {
        auto* view = m->findChild<QTreeView*>("treeView");
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }));
        for (int column = 0; column < 4; ++column)
            EXPECT_GE(view->header()->sectionSize(column),
                      static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column))
                << column;
        static_cast<QDialog*>(m)->reject();
    });
}
