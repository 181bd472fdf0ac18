#include "AppFixture.h"
#include "Cp932.h"
#include "ModalDriver.h"
#include "PathNames.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

class WindowStateTest : public AppTest {
protected:
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QString Write(const QString& name) const {
        WriteBytes(Path(name), name.toUtf8());
        return Path(name);
    }
    // Opens the dialog with the toolbar button and runs act on it.
    void OnOpenDialog(const std::function<void(QFileDialog*)>& act) {
        WhenModal([act](QWidget* modal) { act(static_cast<QFileDialog*>(modal)); });
        ClickButton(Form->ShineSpeedButton1);
    }
    QStringList RecentCaptions() const {
        QStringList out;
        for (QAction* a : Form->RecentMenu1->actions())
            out << a->text();
        return out;
    }
};

TEST_F(WindowStateTest, OpenDialogStartsInTheFolderLastOpenedFromAndKeepsItsSize) {
    QDir().mkdir(Path("notes"));
    const QString note = Write("notes/a.txt");
    OnOpenDialog([&](QFileDialog* d) {
        d->findChild<QLineEdit*>("fileNameEdit")->setText(note);
        static_cast<QDialog*>(d)->accept();
    });
    ASSERT_EQ(Form->CurFileName(), note);
    QSize opened;
    OnOpenDialog([&](QFileDialog* d) {
        EXPECT_EQ(d->directory().absolutePath(), Path("notes"));
        d->resize(d->width() + 120, d->height() + 40);
        opened = d->size();
        d->reject();
    });
    Restart();
    OnOpenDialog([&](QFileDialog* d) {
        EXPECT_EQ(d->directory().absolutePath(), Path("notes"));
        EXPECT_EQ(d->size(), opened);
        d->reject();
    });
}

TEST_F(WindowStateTest, RecentFilesNewestFirstOpenAsOpenDoesAndForgetFilesThatAreGone) {
    EXPECT_FALSE(Form->RecentMenu1->isEnabled()); // nothing opened yet
    for (int i = 1; i <= 9; ++i)
        Run([&] {
            Form->DropDst1FileDrop(nullptr, {Write(QStringLiteral("n%1 & co.txt").arg(i))}, 0, 0);
        });
    ASSERT_EQ(Form->RecentFiles().size(), 8);
    EXPECT_EQ(RecentCaptions().first(), "&1 " + Path("n9 && co.txt"));
    EXPECT_EQ(RecentCaptions().last(), "&8 " + Path("n2 && co.txt"));

    ChooseMenuItem("recentFile3"); // n7
    EXPECT_EQ(Form->CurFileName(), Path("n7 & co.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "n7 & co.txt");
    EXPECT_EQ(Form->RecentFiles().first(), Path("n7 & co.txt")); // moved to the top

    QFile::remove(Path("n9 & co.txt"));
    ChooseMenuItem("recentFile2"); // n9, gone
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains("n9 & co.txt"));
    EXPECT_FALSE(Form->RecentFiles().contains(Path("n9 & co.txt")));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), "n7 & co.txt");

    const QStringList before = Form->RecentFiles();
    Restart();
    EXPECT_EQ(Form->RecentFiles(), before);
    EXPECT_EQ(RecentCaptions().size(), 7);
}

TEST_F(WindowStateTest, RecentPathsTheSettingsFileWouldCutAreNotRemembered) {
    QString folder = Dir.path();
    while (folder.size() <= 2100) { // ASCII: as many bytes in the settings file
        folder += '/' + QString(200, u'd');
        ASSERT_TRUE(QDir().mkdir(folder));
    }
    const QString longPath = folder + "/long.txt";
    WriteBytes(longPath, "long");
    const QString shortPath = Write("short.txt");
    for (const QString& path : {longPath, shortPath})
        Run([&] { Form->DropDst1FileDrop(nullptr, {path}, 0, 0); });
    ASSERT_EQ(Form->RecentFiles(), (QStringList{shortPath, longPath}));
    Restart();
    EXPECT_EQ(Form->RecentFiles(), QStringList{shortPath});
}
