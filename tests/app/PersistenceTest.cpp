#include "AppFixture.h"
#include "Cp932.h"
#include "ModalDriver.h"
#include "RegMng.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <sys/stat.h>

namespace {

const QString kDefaultFile = QStringLiteral("[Form\\CheckBox1]\r\nChecked=0\r\n"
                                            "[Form\\CheckBox2]\r\nChecked=1\r\n"
                                            "[Form\\bgc]\r\nstring=#fff8dc\r\n"
                                            "[Form\\mclo]\r\nstring=#000000\r\n"
                                            "[Form\\Lcl]\r\nstring=#CDC0A5\r\n"
                                            "[Form\\Dai]\r\nstring=#CDC0A5\r\n"
                                            "[Form\\Mfn]\r\nstring=ＭＳ 明朝\r\n"
                                            "[Form\\Tad]\r\nstring=Tips\r\n"
                                            "[Form\\Tht]\r\nstring=Tips\r\n"
                                            "[Form\\Tsiz]\r\nstring=700\r\n"
                                            "[Form\\Lsiz]\r\nstring=800\r\n"
                                            "[Form\\Fs]\r\nstring=3\r\n"
                                            "[Form\\Hbak]\r\nstring=index\r\n"
                                            "[Form\\Bac]\r\nstring=Back\r\n");

} // namespace

using PersistenceTest = AppTest;

TEST_F(PersistenceTest, FirstCloseWritesExactlyTheDefaults) {
    EXPECT_EQ(Form->RegManager1->RegType(), rtIni);
    EXPECT_EQ(Form->RegManager1->RegItems()->Count(), 14);
    EXPECT_EQ(Form->RegManager1->IniFileName(), SettingsFile());
    EXPECT_TRUE(CloseForm());
    EXPECT_EQ(ReadBytes(SettingsFile()), Cp932::Encode(kDefaultFile));
}

TEST_F(PersistenceTest, SettingsSurviveARestartButEditorColoursDoNot) {
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        dialog->setCurrentColor(QColor(0, 255, 255));
        dialog->accept();
    });
    Form->ShineSpeedButton4Click(nullptr);
    Form->CheckBox1->setChecked(true);
    Form->CheckBox2->setChecked(false);
    Form->Edit1->setText("見出し");
    Form->ShineSpeedButton9Click(nullptr);
    Restart();
    EXPECT_EQ(Unit1::bgc, "Aqua");
    EXPECT_EQ(Unit1::Tad, "見出し");
    EXPECT_EQ(Form->Edit1->text(), "見出し");
    EXPECT_EQ(Unit1::Mfn, "ＭＳ ゴシック");
    EXPECT_EQ(Form->ShineSpeedButton9->Caption(), "明"); // until toggled
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_FALSE(Form->CheckBox2->isChecked());
    EXPECT_EQ(Unit1::LinkExt, "html");
    EXPECT_EQ(Form->RichEdit1->Color(), clWindow);
}

TEST_F(PersistenceTest, PartialAndHandEditedFilesFallBackItemByItem) {
    Form.reset();
    ASSERT_TRUE(WriteBytes(SettingsFile(), "; hand-edited\r\n[Form\\Tad]\r\nstring=\r\n"
                                           "[form\\checkbox1]\r\nchecked=abc\r\n"
                                           "[Form\\Tsiz]\r\nstring=  640  \r\njunk line\r\n"));
    Form = std::make_unique<TForm1>();
    EXPECT_EQ(Unit1::Tad, ""); // stored empty: not the default
    EXPECT_EQ(Form->Edit1->text(), "");
    EXPECT_EQ(Unit1::Tsiz, "640");
    EXPECT_EQ(Unit1::Tht, "Tips"); // absent: the default
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_TRUE(Form->CheckBox2->isChecked()); // absent: its item's default
    EXPECT_TRUE(CloseForm());
    const QByteArray after = ReadBytes(SettingsFile());
    EXPECT_TRUE(after.startsWith("; hand-edited\r\n[Form\\Tad]\r\nstring=\r\n"));
    EXPECT_TRUE(after.contains("junk line\r\n"));
}

TEST_F(PersistenceTest, ResetAndRefusedCloseStillWriteTheFile) {
    Form->Edit3->setText("1");
    Form->ShineSpeedButton10Click(nullptr);
    Form->RichEdit1->insertPlainText("unsaved");
    AnswerMessageBox("No");
    EXPECT_FALSE(CloseForm());
    EXPECT_EQ(ReadBytes(SettingsFile()), Cp932::Encode(kDefaultFile));
    Form->Edit4->setText("900");
    AnswerMessageBox("Yes");
    EXPECT_TRUE(CloseForm());
    EXPECT_TRUE(ReadBytes(SettingsFile()).contains("[Form\\Lsiz]\r\nstring=900\r\n"));
}

TEST_F(PersistenceTest, UnwritableSettingsAreReportedAndTheWindowStillCloses) {
    Form.reset();
    ASSERT_TRUE(WriteBytes(SettingsDir.filePath("file"), "x"));
    Unit1::SettingsFileOverride = SettingsDir.filePath("file/vexla.ini"); // below a file
    Form = std::make_unique<TForm1>();
    EXPECT_TRUE(CloseForm());
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0], QStringLiteral("%1 に書き込めません").arg(Unit1::SettingsFileOverride));
}

TEST_F(PersistenceTest, AValueTheFileCannotHoldStopsOnlyItsOwnItem) {
    Form->Edit8->setText(QStringLiteral("題😀"));
    Form->Edit7->setText("Return");
    EXPECT_TRUE(CloseForm());
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].startsWith(SettingsFile() + QStringLiteral(" に書き込めません")));
    const QByteArray file = ReadBytes(SettingsFile());
    EXPECT_FALSE(file.contains("[Form\\Tht]"));
    EXPECT_TRUE(file.contains("[Form\\Tad]\r\nstring=Tips\r\n"));
    EXPECT_TRUE(file.contains("[Form\\Bac]\r\nstring=Return\r\n"));
}

TEST_F(PersistenceTest, SettingsFileSitsBesideTheProgramOrInTheConfigFolder) {
    if (!RunUnprivileged())
        return;
    QTemporaryDir dir;
    EXPECT_EQ(Unit1::SettingsFileFor(dir.filePath("conv.exe")), dir.filePath("conv.ini"));
    EXPECT_EQ(Unit1::SettingsFileFor(dir.filePath("conv")), dir.filePath("conv.ini"));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    chmod(QFile::encodeName(dir.path()).constData(), 0555);
    EXPECT_EQ(Unit1::SettingsFileFor(dir.filePath("vexla")), config.filePath("vexla/vexla.ini"));
    EXPECT_TRUE(QDir(config.filePath("vexla")).exists());
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
}
