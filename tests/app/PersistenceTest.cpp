#include "AppFixture.h"
#include "Cp932.h"
#include "IniFile.h"
#include "ModalDriver.h"
#include "NonRegularFiles.h"
#include "RegMng.h"
#include "RowName.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // The fourteen, then what the window remembers besides, in sections of
    // its own and written only once used.
    const TRegItems& items = *Form->RegManager1->RegItems();
    ASSERT_EQ(items.Count(), 20);
    QStringList sections;
    for (int i = 0; i < 14; ++i)
        sections << items.Items(i)->Section();
    for (int i = 14; i < 20; ++i)
        EXPECT_FALSE(sections.contains(items.Items(i)->Section())) << i;
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
    ClickButton(Form->ShineSpeedButton4);
    Form->CheckBox1->setChecked(true);
    Form->CheckBox2->setChecked(false);
    Form->Edit1->setText("見出し");
    ClickButton(Form->ShineSpeedButton9);
    Restart();
    EXPECT_EQ(Unit1::Page.bgc, "Aqua");
    EXPECT_EQ(Unit1::Page.Tad, "見出し");
    EXPECT_EQ(Form->Edit1->text(), "見出し");
    EXPECT_EQ(Unit1::Page.Mfn, "ＭＳ ゴシック");
    EXPECT_EQ(Form->ShineSpeedButton9->Caption(), "明"); // until toggled
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_FALSE(Form->CheckBox2->isChecked());
    EXPECT_EQ(Unit1::Page.LinkExt, "html");
    EXPECT_EQ(Form->RichEdit1->Color(), clWindow);
}

TEST_F(PersistenceTest, PartialAndHandEditedFilesFallBackItemByItem) {
    Form.reset();
    ASSERT_TRUE(WriteBytes(SettingsFile(), "; hand-edited\r\n[Form\\Tad]\r\nstring=\r\n"
                                           "[form\\checkbox1]\r\nchecked=abc\r\n"
                                           "[Form\\Tsiz]\r\nstring=  640  \r\njunk line\r\n"));
    Form = std::make_unique<TForm1>();
    EXPECT_EQ(Unit1::Page.Tad, ""); // stored empty: not the default
    EXPECT_EQ(Form->Edit1->text(), "");
    EXPECT_EQ(Unit1::Page.Tsiz, "640");
    EXPECT_EQ(Unit1::Page.Tht, "Tips"); // absent: the default
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_TRUE(Form->CheckBox2->isChecked()); // absent: its item's default
    EXPECT_TRUE(CloseForm());
    const QByteArray after = ReadBytes(SettingsFile());
    EXPECT_TRUE(after.startsWith("; hand-edited\r\n[Form\\Tad]\r\nstring=\r\n"));
    EXPECT_TRUE(after.contains("junk line\r\n"));
}

TEST_F(PersistenceTest, ResetAndRefusedCloseStillWriteTheFile) {
    Form->Edit3->setText("1");
    ClickButton(Form->ShineSpeedButton10);
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

// Characters the file cannot hold, typed into two fields: one message names
// each field by its label and the character; the other settings are written.
TEST_F(PersistenceTest, AValueTheFileCannotHoldIsNamedAndTheRestIsWritten) {
    Form->show();
    // Typed through the input method, as such characters are.
    const auto type = [](QLineEdit* field, const QString& text) {
        field->clear();
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(field, &commit);
    };
    type(Form->Edit1, QStringLiteral("題😀"));
    type(Form->Edit6, QStringLiteral("café"));
    Form->Edit7->clear();
    QTest::keyClicks(Form->Edit7, QStringLiteral("Return"));
    EXPECT_TRUE(CloseForm());
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0].toStdString(),
              (SettingsFile() + QStringLiteral(" に書き込めません: "
                                               "「題名」の文字 「😀」(U+1F600) は Shift-JIS "
                                               "で表せません\n"
                                               "「Link」の文字 「é」(U+00E9) は Shift-JIS "
                                               "で表せません"))
                  .toStdString());
    const QByteArray file = ReadBytes(SettingsFile());
    EXPECT_FALSE(file.contains("[Form\\Tad]"));
    EXPECT_FALSE(file.contains("[Form\\Hbak]"));
    EXPECT_TRUE(file.contains("[Form\\Tht]\r\nstring=Tips\r\n"));
    EXPECT_TRUE(file.contains("[Form\\Bac]\r\nstring=Return\r\n"));
}

// A settings file that is not a regular file is never opened (a FIFO would
// keep the window from appearing): the window starts with the defaults, and
// the close reports that the file cannot be written and leaves it as it is.
class NonRegularSettingsFile : public AppTest,
                               public ::testing::WithParamInterface<TNonRegularFile> {};

TEST_P(NonRegularSettingsFile, ReadsAsDefaultsAndTheCloseLeavesItAlone) {
    Form.reset();
    const QString path = MakeNonRegularFile(GetParam(), SettingsDir.path());
    const auto identity = FileIdentity(path);
    const bool lockBefore = HasLockFile(path);
    Unit1::SettingsFileOverride = path;
    Form = std::make_unique<TForm1>();
    EXPECT_EQ(Form->Edit1->text(), "Tips");
    EXPECT_TRUE(Form->CheckBox2->isChecked());
    EXPECT_TRUE(CloseForm());
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0].toStdString(),
              (path + QStringLiteral(" に書き込めません: ")).toStdString() + GetParam().Reason);
    EXPECT_EQ(FileIdentity(path), identity);
    EXPECT_EQ(HasLockFile(path), lockBefore);
}

INSTANTIATE_TEST_SUITE_P(Kinds, NonRegularSettingsFile, ::testing::ValuesIn(kNonRegularFiles),
                         TRowName());

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

// --- closing under contention -------------------------------------------------

namespace {

// Gives every remembered setting a value that names mark: the two boxes
// ticked one way for "A", the other way otherwise.
void SetWholeSet(TForm1& form, const QString& mark) {
    for (const TStoredSetting& setting : StoredSettings()) {
        if (setting.Value)
            Unit1::Page.*setting.Value = mark + u'-' + QLatin1String(setting.Name);
        else if (setting.Checked)
            form.findChild<QCheckBox*>(QLatin1String(setting.Control))
                ->setChecked((mark == u"A") == (QLatin1String(setting.Name) == "CheckBox1Checked"));
    }
}

// The mark of the set the file holds; a description of the mix otherwise.
QString SetIn(const QString& file) {
    TIniFile ini(file);
    QStringList marks;
    QStringList boxes;
    for (const TStoredSetting& setting : StoredSettings()) {
        const QString v = ini.ReadString(QLatin1String(setting.Section),
                                         QLatin1String(setting.Ident), QStringLiteral("<none>"));
        if (setting.Value)
            marks << v.section(u'-', 0, 0);
        else if (setting.Checked)
            boxes << v;
    }
    marks.removeDuplicates();
    const QStringList expectedBoxes =
        marks.value(0) == u"A" ? QStringList{"1", "0"} : QStringList{"0", "1"};
    if (marks.size() == 1 && boxes == expectedBoxes)
        return marks[0];
    return QStringLiteral("mix: ") + marks.join(u',') + u'/' + boxes.join(u',');
}

// The lock file of a settings file (beside the file a link leads to).
QString LockFileOf(const QString& file) {
    const QFileInfo info(file);
    return QFileInfo(info.absolutePath()).canonicalFilePath() + u'/' + info.fileName() +
           QStringLiteral(".lock");
}

bool LockHeldElsewhere(const QString& lockFile) {
    const int fd = ::open(QFile::encodeName(lockFile).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

ino_t InodeOf(const QString& file) {
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_ino : 0;
}

// Sections of some other program make the file large (4 KB each), so a
// close takes a while.
void AddOtherSections(const QString& file, int count) {
    TIniBatch batch(file);
    for (int i = 0; i < count; ++i)
        batch.WriteString(QStringLiteral("Other\\%1").arg(i), QStringLiteral("v"),
                          QString(4000, u'x'));
    batch.Commit();
}

// Another run of this program (this test binary in the role of the
// program below) that closes its window each time it is told to.
class TOtherProgram {
public:
    TOtherProgram(const QString& settingsFile, const QString& mark) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VEXLA_TEST_SETTINGS"), settingsFile);
        env.insert(QStringLiteral("VEXLA_TEST_MARK"), mark);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        FProcess.setProcessEnvironment(env);
        FProcess.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_also_run_disabled_tests"),
             QStringLiteral("--gtest_filter=PersistenceTest.DISABLED_ProgramThatClosesOnRequest")});
    }
    ~TOtherProgram() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }
    // The next line the program reports (they start with "@"); empty when it
    // ends or falls silent.
    QByteArray Next() {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            while (FProcess.canReadLine()) {
                const QByteArray line = FProcess.readLine().trimmed();
                if (line.startsWith('@'))
                    return line;
            }
            if (!FProcess.waitForReadyRead(int(deadline.remainingTime())) &&
                FProcess.state() == QProcess::NotRunning)
                break;
        }
        return {};
    }
    void Tell(const char* command) { FProcess.write(QByteArray(command) + '\n'); }
    QProcess& Process() { return FProcess; }

private:
    QProcess FProcess;
};

} // namespace

// Not a test of its own: the program the close tests run beside the test.
// It opens its window on the settings file it is given, gives every setting
// a value naming its mark, and closes the window on "close" from stdin.
TEST_F(PersistenceTest, DISABLED_ProgramThatClosesOnRequest) {
    const QString file = qEnvironmentVariable("VEXLA_TEST_SETTINGS");
    const QString mark = qEnvironmentVariable("VEXLA_TEST_MARK");
    ASSERT_FALSE(file.isEmpty());
    Form.reset();
    Unit1::SettingsFileOverride = file;
    for (std::string command;;) {
        Form = std::make_unique<TForm1>();
        SetWholeSet(*Form, mark);
        std::cout << "@ready" << std::endl;
        if (!std::getline(std::cin, command) || command != "close")
            return;
        const bool closed = CloseForm();
        std::cout << (closed && Errors.isEmpty() ? "@closed" : "@failed ")
                  << Errors.join(u'|').toStdString() << std::endl;
        Errors.clear();
    }
}

TEST_F(PersistenceTest, TwoProgramsClosingTogetherLeaveOneWholeSet) {
    Form.reset();
    AddOtherSections(SettingsFile(), 60);
    TOtherProgram a(SettingsFile(), QStringLiteral("A"));
    TOtherProgram b(SettingsFile(), QStringLiteral("B"));
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(a.Next(), "@ready");
        ASSERT_EQ(b.Next(), "@ready");
        a.Tell("close");
        b.Tell("close");
        ASSERT_EQ(a.Next(), "@closed");
        ASSERT_EQ(b.Next(), "@closed");
        const QString set = SetIn(SettingsFile());
        EXPECT_TRUE(set == u"A" || set == u"B") << round << ": " << set.toStdString();
    }
    a.Tell("quit");
    b.Tell("quit");
}

// A program killed while it writes its settings leaves the old set or the
// new one: killed while it holds the file's lock, and killed the moment the
// file is first replaced.
TEST_F(PersistenceTest, ProgramKilledDuringCloseLeavesTheOldSetOrTheNew) {
    SetWholeSet(*Form, QStringLiteral("A"));
    EXPECT_TRUE(CloseForm());
    Form.reset();
    AddOtherSections(SettingsFile(), 600);
    ASSERT_EQ(SetIn(SettingsFile()), "A");
    for (const bool atReplace : {false, true}) {
        const QString before = SetIn(SettingsFile());
        const QString next = before == u"A" ? QStringLiteral("B") : QStringLiteral("A");
        const ino_t inode = InodeOf(SettingsFile());
        TOtherProgram other(SettingsFile(), next);
        ASSERT_EQ(other.Next(), "@ready");
        other.Tell("close");
        // (A close that ends before the moment is seen needs no kill.)
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return (atReplace ? InodeOf(SettingsFile()) != inode
                                  : LockHeldElsewhere(LockFileOf(SettingsFile()))) ||
                       other.Process().canReadLine();
            },
            20000));
        other.Process().kill();
        other.Process().waitForFinished(10000);
        const QString after = SetIn(SettingsFile());
        if (atReplace)
            EXPECT_EQ(after.toStdString(), next.toStdString());
        else
            EXPECT_TRUE(after == before || after == next) << after.toStdString();
        EXPECT_EQ(TIniFile(SettingsFile()).ReadSections().size(), 14 + 600);
    }
}

// Another program holding the lock does not freeze the close: after a
// bounded wait the close reports the file and goes on; the file stays.
TEST_F(PersistenceTest, LockHeldElsewhereFailsTheCloseWriteAfterABoundedWait) {
    EXPECT_TRUE(CloseForm());
    const QByteArray before = ReadBytes(SettingsFile());
    Form = std::make_unique<TForm1>();
    Form->Edit1->setText(QStringLiteral("changed"));
    const int lock = ::open(QFile::encodeName(LockFileOf(SettingsFile())).constData(),
                            O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(CloseForm());
    const qint64 took = clock.elapsed();
    ::close(lock);
    EXPECT_LT(took, kIniLockWaitMs + 3000);
    EXPECT_FALSE(Form->isVisible());
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_EQ(Errors[0], SettingsFile() +
                             QStringLiteral(" に書き込めません: ほかのプログラムが書き込み中です"));
    EXPECT_EQ(ReadBytes(SettingsFile()), before);
}
