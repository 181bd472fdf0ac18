// UTF-8 and UTF-16 documents: detection, the encoding shown in the status
// bar, reopening in another encoding, and saving characters Shift-JIS cannot
// hold as character references.
#include "AppFixture.h"
#include "ModalDriver.h"
#include "ShineSpdBtn.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <iconv.h>
#include <map>

namespace {

class UnicodeTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Form->CheckBox2->setChecked(false); // no preview after saving
    }
    QString Path(const QString& name) const { return Dir.filePath(name); }
    void Drop(const QString& path) {
        Run([&] { Form->DropDst1FileDrop(nullptr, {path}, 0, 0); });
    }
    QString Encoding() const { return Form->EncodingLabel->text(); }
    // Saves through the save dialog as path, then answers the question about
    // characters Shift-JIS cannot hold with button.
    MessageBoxSeen SaveAs(const QString& path, const QString& button) {
        MessageBoxSeen seen;
        WhenModal([&](QWidget* modal) {
            AnswerMessageBox(button, &seen);
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(Form->ShineSpeedButton2, Qt::LeftButton);
        return seen;
    }
    // Opens the File menu, its reopen submenu and the item, with the mouse.
    void ClickReopen(const char* item) {
        QMenuBar* bar = Form->menuBar();
        auto* file = bar->findChild<QMenu*>(QStringLiteral("file1"));
        auto* reopen = bar->findChild<QMenu*>(QStringLiteral("reopen1"));
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(file->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }));
        ASSERT_TRUE(reopen->isEnabled());
        QTest::mouseClick(file, Qt::LeftButton, {},
                          file->actionGeometry(reopen->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitFor([reopen] { return reopen->isVisible(); }));
        QTest::mouseClick(reopen, Qt::LeftButton, {},
                          reopen->actionGeometry(MenuItem(item)).center());
    }

    QTemporaryDir Dir;
};

QByteArray Utf16Le(const QString& text) {
    QByteArray out("\xFF\xFE");
    for (QChar c : text) {
        out += char(c.unicode() & 0xFF);
        out += char(c.unicode() >> 8);
    }
    return out;
}

// glibc's own CP932 conversion, apart from the program's codec.
QByteArray Iconv(const char* to, const char* from, const QByteArray& in, bool* ok = nullptr) {
    iconv_t cd = iconv_open(to, from);
    QByteArray out(in.size() * 2 + 16, Qt::Uninitialized);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    const bool done = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1) && srcLeft == 0;
    iconv_close(cd);
    if (ok)
        *ok = done;
    out.truncate(out.size() - qsizetype(dstLeft));
    return done ? out : QByteArray();
}

QString Hex(char32_t c) {
    return QString::number(uint(c), 16).toUpper();
}

// True when CP932 holds the character both ways.
bool Cp932Holds(char32_t c) {
    static std::map<char32_t, bool> known;
    const auto it = known.find(c);
    if (it != known.end())
        return it->second;
    const QByteArray utf8 = QString::fromUcs4(&c, 1).toUtf8();
    bool ok = false;
    const QByteArray sjis = Iconv("CP932", "UTF-8", utf8, &ok);
    const bool holds = ok && Iconv("UTF-8", "CP932", sjis) == utf8;
    known[c] = holds;
    return holds;
}

} // namespace

TEST_F(UnicodeTest, EachEncodingIsReadAndShownAtTheStatusBarsRightEnd) {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    EXPECT_EQ(Encoding(), "Shift-JIS");
    const QString text = QStringLiteral("日本語 😀\n𠮟る\n");
    struct Case {
        const char* Name;
        QByteArray Bytes;
        const char* Shown;
    } cases[] = {
        {"marked.txt", "\xEF\xBB\xBF" + text.toUtf8(), "UTF-8"},
        {"plain.txt", text.toUtf8(), "UTF-8"},
        {"le.txt", Utf16Le(text), "UTF-16LE"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteBytes(Path(c.Name), c.Bytes));
        Drop(Path(c.Name));
        EXPECT_EQ(Form->RichEdit1->Lines().Text(), text) << c.Name;
        EXPECT_EQ(Encoding(), c.Shown) << c.Name;
    }
    QByteArray be("\xFE\xFF");
    for (QChar ch : text) {
        be += char(ch.unicode() >> 8);
        be += char(ch.unicode() & 0xFF);
    }
    ASSERT_TRUE(WriteBytes(Path("be.txt"), be));
    Drop(Path("be.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), text);
    EXPECT_EQ(Encoding(), "UTF-16BE");

    // The label keeps the right end while a hint takes the left.
    Form->StatusBar1->showMessage(QStringLiteral("開く"));
    const QRect label = Form->EncodingLabel->geometry();
    EXPECT_TRUE(Form->EncodingLabel->isVisible());
    EXPECT_GT(label.left(), Form->StatusBar1->width() / 2);
    EXPECT_EQ(Form->StatusBar1->currentMessage(), "開く");

    // A Shift-JIS file reads as before.
    ASSERT_TRUE(WriteBytes(Path("sjis.txt"), "\x93\xfa\x96\x7b\r\n"));
    Drop(Path("sjis.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("日本\n"));
    EXPECT_EQ(Encoding(), "Shift-JIS");
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(UnicodeTest, MalformedUtf16IsShownWithReplacementsAndAWarning) {
    ASSERT_TRUE(WriteBytes(Path("odd.txt"), Utf16Le("ab") + "c"));
    Drop(Path("odd.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("ab\uFFFD"));
    EXPECT_TRUE(Encoding().startsWith("UTF-16LE"));
    EXPECT_NE(Encoding(), "UTF-16LE"); // the warning follows the name

    ASSERT_TRUE(WriteBytes(Path("lone.txt"), Utf16Le(QString(QChar(0xD800)) + u'x')));
    Drop(Path("lone.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("\uFFFDx"));
    EXPECT_NE(Encoding(), "UTF-16LE");
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(UnicodeTest, AShiftJisFileTakenForUtf8IsReopenedAsShiftJis) {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    // "ﾃｩ" in CP932 is also "é" in UTF-8.
    ASSERT_TRUE(WriteBytes(Path("kana.txt"), "\xC3\xA9\r\n"));
    Drop(Path("kana.txt"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("é\n"));
    EXPECT_EQ(Encoding(), "UTF-8");

    // A changed text asks first; No keeps it.
    Form->RichEdit1->setFocus();
    QTest::keyClick(Form->RichEdit1, Qt::Key_X);
    ASSERT_TRUE(Form->RichEdit1->Modified());
    MessageBoxSeen seen;
    AnswerMessageBox("No", &seen);
    ClickReopen("reopenSjis1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.Shown; }));
    EXPECT_EQ(seen.Text, QStringLiteral("現在の内容を廃棄します。よろしいですか。"));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("xé\n"));
    EXPECT_EQ(Encoding(), "UTF-8");

    AnswerMessageBox("Yes");
    ClickReopen("reopenSjis1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Encoding() == "Shift-JIS"; }));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("ﾃｩ\n"));
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), Path("kana.txt"));

    // Unchanged: no question. The same file read as UTF-16 (order from zeros).
    ClickReopen("reopenUtf161");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Encoding().startsWith("UTF-16LE"); }));
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("\uA9C3\u0A0D"));
    ClickReopen("reopenUtf81");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Encoding() == "UTF-8"; }));
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(UnicodeTest, CharactersShiftJisCannotHoldAreSavedAsReferencesOnlyAfterYes) {
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    ASSERT_TRUE(WriteBytes(Path("page.htm"), "old"));
    Form->RichEdit1->Lines().SetText(QStringLiteral("日本\n笑😀と𠮟る\n"));
    Form->RichEdit1->SetModified(true);

    MessageBoxSeen seen = SaveAs(Path("page.htm"), "No");
    EXPECT_EQ(seen.Text,
              QStringLiteral("Shift-JIS で表せない文字が 2 個あります (最初は U+1F600、2 "
                             "行目)。数値文字参照 (&#x...;) にして保存しますか。"));
    EXPECT_EQ(seen.Buttons, QStringList({"Yes", "No"}));
    EXPECT_EQ(ReadBytes(Path("page.htm")), "old");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("日本\n笑😀と𠮟る\n"));
    EXPECT_TRUE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), "");

    seen = SaveAs(Path("page.htm"), "Yes");
    EXPECT_TRUE(seen.Shown);
    EXPECT_EQ(ReadBytes(Path("page.htm")),
              "\x93\xfa\x96\x7b\r\n\x8f\xce&#x1F600;\x82\xc6&#x20B9F;\x82\xe9\r\n");
    EXPECT_EQ(Form->RichEdit1->Lines().Text(), QStringLiteral("日本\n笑😀と𠮟る\n"));
    EXPECT_FALSE(Form->RichEdit1->Modified());
    EXPECT_EQ(Form->CurFileName(), Path("page.htm"));
    EXPECT_TRUE(Errors.isEmpty());
}

// Open, convert and save a 10 MB UTF-8 file; the page must match glibc's
// iconv of the same text with every character CP932 cannot hold replaced by
// its reference.
TEST_F(UnicodeTest, TenMegabyteUtf8FileEndToEnd) {
    QString body;
    for (qsizetype bytes = 0, i = 0; bytes < 10 * 1024 * 1024; ++i) {
        const QString line = QStringLiteral("%1 行目: 日本語 abc ①㈱～ 😀 𠮟 한글 é ½\n").arg(i);
        bytes += line.toUtf8().size();
        body += line;
    }
    const QByteArray utf8 = body.toUtf8();
    ASSERT_TRUE(WriteBytes(Path("big.txt"), utf8));

    QString referenced;
    qsizetype count = 0;
    char32_t first = 0;
    for (char32_t c : body.toUcs4()) {
        if (c < 0x80 || Cp932Holds(c)) {
            referenced += QString::fromUcs4(&c, 1);
            continue;
        }
        first = count++ == 0 ? c : first;
        referenced += "&#x" + Hex(c) + ';';
    }

    Drop(Path("big.txt"));
    ASSERT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
    EXPECT_EQ(Encoding(), "UTF-8");
    QTest::mouseClick(Form->ShineSpeedButton3, Qt::LeftButton);
    const MessageBoxSeen seen = SaveAs(Path("big.htm"), "Yes");
    EXPECT_TRUE(seen.Text.startsWith(
        QStringLiteral("Shift-JIS で表せない文字が %1 個あります (最初は U+%2、")
            .arg(count)
            .arg(Hex(first).rightJustified(4, u'0'))))
        << seen.Text.toStdString();

    const QString page = PageHeadLines(Unit1::Page).join('\n') + '\n' + referenced +
                         PageTailLines(Unit1::Page).join('\n');
    bool ok = false;
    QByteArray expected = Iconv("CP932", "UTF-8", page.toUtf8(), &ok);
    ASSERT_TRUE(ok);
    expected.replace("\n", "\r\n");
    const QByteArray saved = ReadBytes(Path("big.htm"));
    EXPECT_EQ(saved.size(), expected.size());
    EXPECT_TRUE(saved == expected);
}
