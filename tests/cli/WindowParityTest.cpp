// The batch conversion against the real window: the same file dropped on the
// window, converted with the button and saved through the save dialog gives
// the same bytes as `vexla --convert` with the same settings file.
#include "../app/AppFixture.h"
#include "CliTestUtils.h"
#include "IniFile.h"
#include "ModalDriver.h"
#include "ShineSpdBtn.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Saves through the next save dialog as path, typed into its name field.
// then runs first, so that a modal that follows is polled for once this one
// has closed.
void AnswerSaveDialog(const QString& path, std::function<void()> then = {}) {
    WhenModal([=](QWidget* modal) {
        if (then)
            then();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides accept()
    });
}

class WindowParityTest : public AppTest {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }

    // Settings as a user leaves them.
    void StoreSettings() {
        TIniFile ini(SettingsFile());
        const std::pair<const char*, QString> values[] = {
            {"CheckBox1Checked", "1"},
            {"CheckBox2Checked", "0"},
            {"Tht", QStringLiteral("メモ「一」")},
            {"Tad", QString()},
            {"Mfn", GothicFace()},
            {"bgc", "Aqua"},
            {"Bac", QStringLiteral("戻る")},
        };
        for (const auto& [name, value] : values) {
            const TStoredSetting* s = FindStoredSetting(QLatin1String(name));
            ini.WriteString(QString::fromLatin1(s->Section), QString::fromLatin1(s->Ident), value);
        }
    }

    // A fresh window, as at a start of the program: it reads the settings
    // and its save dialog offers no earlier name.
    void StartAfresh() {
        Form = std::make_unique<TForm1>();
        Form->show();
    }

    // Drop, convert, save: what the window writes for input.
    QByteArray WindowPage(const QString& input, const QString& output,
                          std::function<void()> afterDialog = {}) {
        Form->DropDst1FileDrop(nullptr, {input}, 0, 0);
        QTest::mouseClick(Form->ShineSpeedButton3, Qt::LeftButton);
        AnswerSaveDialog(output, afterDialog);
        QTest::mouseClick(Form->ShineSpeedButton2, Qt::LeftButton);
        return ReadBytes(output);
    }

    QTemporaryDir Dir;
};

} // namespace

TEST_F(WindowParityTest, BatchPageIsByteForByteTheWindowsPage) {
    StoreSettings();
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"empty", ""},
        {"ending with a line break", "Line one\r\nLine two\r\n"},
        {"without a final line break", "Line one\nLine two"},
        {"only a line break", "\n"},
        {"empty lines at the end", "a\n\n\n"},
        {"lone CRs", "a\rb\r\rc"},
        {"Japanese with markup", Cp932::Encode(u"日本語 <b>&amp;</b>\tｶﾅ\r\n①㈱\r\n")},
        {"bytes that are no characters",
         QByteArray("\x80\xa0\xfd\xff\x82\x20\x85\x40 \x82", 10) + "\r\n\x81"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString input = Path(QStringLiteral("in%1.txt").arg(++n));
        ASSERT_TRUE(WriteBytes(input, c.Bytes));
        StartAfresh();
        ASSERT_TRUE(Form->CheckBox1->isChecked());
        const QByteArray window = WindowPage(input, Path(QStringLiteral("window%1.html").arg(n)));
        ASSERT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
        const CliRun run = RunCli({"--convert", "--settings", SettingsFile(), input});
        EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
        // The stored Html box also names the page .html.
        const QByteArray batch = ReadBytes(Path(QStringLiteral("in%1.html").arg(n)));
        EXPECT_TRUE(batch == window) << FirstDifference(batch, window);
    }
}

TEST_F(WindowParityTest, ACharacterShiftJisCannotHoldStopsThePageAtTheSameLine) {
    const QString input = Path("in.txt");
    ASSERT_TRUE(WriteBytes(input, "one\rtwo\r\n"));
    Form->Edit7->setText(QStringLiteral("戻る😀")); // the back link's caption, in the tail
    Form->CheckBox2->setChecked(false);
    // The window asks before it writes references; declined, nothing is saved.
    MessageBoxSeen seen;
    WindowPage(input, Path("window.htm"), [&] { AnswerMessageBox(QStringLiteral("No"), &seen); });
    ASSERT_TRUE(seen.Shown);
    EXPECT_FALSE(QFileInfo::exists(Path("window.htm")));
    // The batch has no one to ask: the file fails, naming the same line.
    const CliRun run = RunCli({"--convert", "--link-text", QStringLiteral("戻る😀"), input});
    EXPECT_EQ(run.Status, esFailed);
    ASSERT_EQ(run.ErrLines().size(), 1);
    EXPECT_TRUE(run.Err.startsWith("vexla: " + input + ": "));
    const QString line = QStringLiteral("%1 行目").arg(13 + 2 + 9);
    EXPECT_TRUE(seen.Text.contains(line)) << seen.Text.toStdString();
    EXPECT_TRUE(run.Err.contains(line)) << run.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("in.htm")));
}
