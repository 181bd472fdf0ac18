// The batch conversion against the real window: the same file opened through
// the window's Open dialog (and read again through its reopen menu where a
// case says so), converted with the button and saved through the save dialog
// gives the same bytes as `vexla --convert` with the same settings file.
#include "../app/AppFixture.h"
#include "CliTestUtils.h"
#include "IniFile.h"
#include "ModalDriver.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers the next file dialog with path, typed into its name field. then
// runs first, so that a modal that follows is polled for once this one has
// closed.
void AnswerFileDialog(const QString& path, std::function<void()> then = {}) {
    WhenModal([=](QWidget* modal) {
        if (then)
            then();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides accept()
    });
}

struct TParityCase {
    const char* Name;
    QByteArray Bytes;
    // The window reads the file again through this reopen menu item, and the
    // batch is given this --encoding.
    const char* Reopen = nullptr;
    const char* Encoding = nullptr;
    // The window's answer to its question about characters Shift-JIS cannot
    // hold: "Yes" is the batch's --char-refs; "No" saves nothing, and the
    // batch fails the file.
    const char* Answer = nullptr;
    // Page options ticked in the window and stored, which the batch reads.
    bool Utf8 = false;
    bool Escape = false;
};

const QString kJapanese = QStringLiteral("日本語の行 <b>&amp;</b>\tｶﾅ①\r\n二行目\n");
const QString kUnencodable = QStringLiteral("日本\n안녕 😀€\n");

const TParityCase kCases[] = {
    {"empty", ""},
    {"ending with a line break", "Line one\r\nLine two\r\n"},
    {"without a final line break", "Line one\nLine two"},
    {"only a line break", "\n"},
    {"empty lines at the end", "a\n\n\n"},
    {"lone CRs", "a\rb\r\rc"},
    {"Shift-JIS Japanese with markup", Sjis(kJapanese)},
    {"NEC and IBM duplicates", "\x87\x90\x81\xe0\xed\x40\xfa\x5c\xee\xf9\x81\xca\xfa\x54\r\n"},
    {"bytes that are no characters",
     QByteArray("\x80\xa0\xfd\xff\x82\x20\x85\x40 \x82", 10) + "\r\n\x81"},
    {"UTF-8", kJapanese.toUtf8()},
    {"UTF-8 with a mark", "\xEF\xBB\xBF" + kJapanese.toUtf8()},
    {"UTF-16LE with a mark", Utf16(kJapanese + QStringLiteral("\rｶ"), false, true)},
    {"UTF-16BE with a mark", Utf16(kJapanese, true, true)},
    {"malformed UTF-16", Utf16(QStringLiteral("x") + QChar(0xD800) + u'y', false, true) + 'z',
     nullptr, nullptr, "Yes"},
    {"UTF-8 for 400 KB, then a byte that is not", kJapanese.toUtf8().repeated(12000) + "\xff"},
    {"ASCII for 400 KB, then UTF-8",
     QByteArray("ascii line\n").repeated(40000) + QStringLiteral("日本").toUtf8()},
    {"the editor's line and paragraph separators",
     QStringLiteral("a\u2028b\u2029c\uFDD0d\uFDD1e\u2028").toUtf8()},
    {"characters Shift-JIS cannot hold as references", kUnencodable.toUtf8(), nullptr, nullptr,
     "Yes"},
    {"characters Shift-JIS cannot hold refused", kUnencodable.toUtf8(), nullptr, nullptr, "No"},
    {"UTF-8 reopened as Shift-JIS", kJapanese.toUtf8(), "reopenSjis1", "shift-jis"},
    {"Shift-JIS reopened as UTF-8", Sjis(kJapanese), "reopenUtf81", "utf-8", "Yes"},
    {"UTF-16BE without a mark reopened as UTF-16", Utf16(kJapanese, true, false), "reopenUtf161",
     "utf-16"},
    {.Name = "a UTF-8 page keeps every character", .Bytes = kUnencodable.toUtf8(), .Utf8 = true},
    {.Name = "a UTF-8 page of Shift-JIS with byte escapes",
     .Bytes = Sjis(kJapanese) + QByteArray("\x80\xa0\r\n", 4),
     .Utf8 = true},
    {.Name = "text shown as text",
     .Bytes = "if (a < b) && c > d\r\n#include <stdio.h>\r",
     .Escape = true},
    {.Name = "both options over UTF-16",
     .Bytes = Utf16(kJapanese + kUnencodable, false, true),
     .Utf8 = true,
     .Escape = true},
};

std::string CaseName(const testing::TestParamInfo<TParityCase>& info) {
    std::string name = info.param.Name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

// The character and line a message names, "U+XXXX" and the line number.
QStringList CharacterAndLine(const QString& message, const QString& pattern) {
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(message);
    return m.hasMatch() ? QStringList{m.captured(1), m.captured(2)} : QStringList{message};
}

class WindowParity : public AppTest {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }

    // Settings as a user leaves them.
    void StoreSettings(const TParityCase& c = {}) {
        TIniFile ini(SettingsFile());
        if (c.Utf8)
            ini.WriteString("Form\\utf8Page1", "Checked", "1");
        if (c.Escape)
            ini.WriteString("Form\\escapeText1", "Checked", "1");
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

    // Open, convert, save, answering the save's question with answer.
    QByteArray WindowPage(const QString& input, const QString& output, const char* reopen,
                          const char* answer, MessageBoxSeen* question) {
        AnswerFileDialog(input);
        ClickButton(Form->ShineSpeedButton1);
        if (reopen)
            ChooseMenuItem(reopen);
        ClickButton(Form->ShineSpeedButton3);
        AnswerFileDialog(output, [=] {
            if (answer)
                AnswerMessageBox(QString::fromLatin1(answer), question);
        });
        ClickButton(Form->ShineSpeedButton2);
        return ReadBytes(output);
    }

    QTemporaryDir Dir;
};

class WindowParityTest : public WindowParity, public testing::WithParamInterface<TParityCase> {};

} // namespace

TEST_P(WindowParityTest, BatchPageIsByteForByteTheWindowsPage) {
    const TParityCase& c = GetParam();
    StoreSettings(c);
    const QString input = Path("in.txt");
    ASSERT_TRUE(WriteBytes(input, c.Bytes));
    StartAfresh();
    ASSERT_TRUE(Form->CheckBox1->isChecked());
    MessageBoxSeen question;
    const QByteArray window = WindowPage(input, Path("window.html"), c.Reopen, c.Answer, &question);
    ASSERT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
    EXPECT_EQ(question.Shown, c.Answer != nullptr);

    QStringList args{"--convert", "--settings", SettingsFile()};
    if (c.Encoding)
        args << "--encoding" << c.Encoding;
    if (QByteArrayView(c.Answer) == "Yes")
        args << "--char-refs";
    const CliRun run = RunCli(args << input);
    // The stored Html box also names the page .html.
    const QString page = Path("in.html");
    if (QByteArrayView(c.Answer) == "No") {
        EXPECT_FALSE(QFileInfo::exists(Path("window.html")));
        EXPECT_EQ(run.Status, esFailed);
        EXPECT_FALSE(QFileInfo::exists(page));
        // The batch names the character and the line that the window asks about.
        EXPECT_EQ(CharacterAndLine(run.Err, QStringLiteral("\\(U\\+([0-9A-F]+)\\) \\((\\d+) 行目")),
                  CharacterAndLine(question.Text, QStringLiteral("U\\+([0-9A-F]+)、(\\d+) 行目")));
        return;
    }
    EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
    const QByteArray batch = ReadBytes(page);
    EXPECT_TRUE(batch == window) << FirstDifference(batch, window);
    if (!c.Utf8 && !c.Escape)
        return;
    // The options given on the command line instead of stored make the same.
    TIniFile ini(SettingsFile());
    ini.DeleteKey("Form\\utf8Page1", "Checked");
    ini.DeleteKey("Form\\escapeText1", "Checked");
    QStringList flags{"--convert", "--settings", SettingsFile(), "-o", Path("flags.html")};
    if (c.Utf8)
        flags << "--utf8";
    if (c.Escape)
        flags << "--escape";
    ASSERT_EQ(RunCli(flags << input).Status, esSuccess);
    EXPECT_TRUE(ReadBytes(Path("flags.html")) == window);
}

INSTANTIATE_TEST_SUITE_P(Inputs, WindowParityTest, testing::ValuesIn(kCases), CaseName);

TEST_F(WindowParity, ACharacterShiftJisCannotHoldInTheSettingsStopsThePageAtTheSameLine) {
    const QString input = Path("in.txt");
    ASSERT_TRUE(WriteBytes(input, "one\rtwo\r\n"));
    Form->Edit7->setText(QStringLiteral("戻る😀")); // the back link's caption, in the tail
    Form->CheckBox2->setChecked(false);
    // The window asks before it writes references; declined, nothing is saved.
    MessageBoxSeen seen;
    WindowPage(input, Path("window.htm"), nullptr, "No", &seen);
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
