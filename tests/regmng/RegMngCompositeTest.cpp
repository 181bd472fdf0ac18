// Fonts, string lists, byte streams and components through the settings
// manager, in both stores.
#include "CompositeTestClasses.h"
#include "IniFile.h"
#include "ManagerFixture.h"
#include "ModalDriver.h"
#include "RegMng.h"
#include "Registry.h"
#include "StoreTestUtils.h"
#include "SysUtils.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Section = QStringLiteral("Form\\Values");

class RegMngCompositeTest : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        RegisterTestClasses();
        for (const char* name : {"v", "w"}) {
            TRegItem* item = FManager.RegItems()->Add();
            item->SetName(QString::fromLatin1(name));
            item->SetSection(Section);
            item->SetIdent(QStringLiteral("X") + QString::fromLatin1(name));
        }
    }
    TRegFiler* Filer(const char* name = "v") { return FManager.Filer(QString::fromLatin1(name)); }

    QString Stored(const QString& ident) const {
        return TIniFile(FIni).ReadString(Section, ident, QStringLiteral("<none>"));
    }
    QStringList Keys() const { return TIniFile(FIni).ReadSection(Section); }
    void Store(const QString& ident, const QString& value) {
        TIniFile(FIni).WriteString(Section, ident, value);
    }
};

QByteArray Bytes(int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += char(i * 7 + 1);
    return b;
}

void WriteBytes(TRegFiler* filer, const QByteArray& bytes) {
    QBuffer source;
    source.setData(bytes);
    source.open(QIODevice::ReadOnly);
    filer->WriteStream(source);
}

QByteArray ReadBytes(TRegFiler* filer) {
    QBuffer target;
    target.open(QIODevice::ReadWrite);
    filer->ReadStream(target);
    return target.data();
}

// --- Font ---------------------------------------------------------------------

TEST_F(RegMngCompositeTest, FontIsFourValuesReadBackEqual) {
    UseIni();
    Filer()->WriteFont(ExpectedFont());
    EXPECT_EQ(Keys(), (QStringList{"Xv_FontName", "Xv_FontSize", "Xv_FontColor", "Xv_FontStyle"}));
    EXPECT_EQ(Stored("Xv_FontName"), QStringLiteral("IPAGothic"));
    EXPECT_EQ(Stored("Xv_FontSize"), QStringLiteral("12"));
    EXPECT_EQ(Stored("Xv_FontColor"), QStringLiteral("clTeal"));
    EXPECT_EQ(Stored("Xv_FontStyle"), QStringLiteral("5"));
    TFont font;
    int changes = 0;
    font.OnChange = [&] { ++changes; };
    Filer()->ReadFont(font);
    EXPECT_TRUE(font == ExpectedFont());
    EXPECT_EQ(changes, 4);

    // Nothing stored: the font stays exactly as it was, a height that does
    // not round-trip through points included.
    TFont odd(QStringLiteral("Odd"), 16, RGBColor(1, 2, 3), fsItalic);
    const TFont before = odd;
    Filer("w")->ReadFont(odd);
    EXPECT_TRUE(odd == before);
}

TEST_F(RegMngCompositeTest, FontColourTextIsANameInAnyCaseOrANumber) {
    UseIni();
    TFont plain(QStringLiteral("A"), 15, RGBColor(0x12, 0x34, 0x56));
    Filer()->WriteFont(plain);
    EXPECT_EQ(Stored("Xv_FontColor"), QStringLiteral("$00563412"));
    for (const char* text : {"clred", "CLRED", "$000000FF", "255"}) {
        Store("Xv_FontColor", QString::fromLatin1(text));
        TFont font;
        Filer()->ReadFont(font);
        EXPECT_EQ(font.Color(), clRed) << text;
    }
    Store("Xv_FontColor", QStringLiteral("clBtnFace"));
    TFont system;
    Filer()->ReadFont(system);
    EXPECT_EQ(system.Color(), clBtnFace);

    // Neither: the error comes after the name and the size are applied.
    Store("Xv_FontName", QStringLiteral("Applied"));
    Store("Xv_FontSize", QStringLiteral("24"));
    Store("Xv_FontColor", QStringLiteral("red"));
    TFont font(QStringLiteral("Before"), 15, clBlue, fsItalic);
    try {
        Filer()->ReadFont(font);
        ADD_FAILURE() << "a colour text that is no colour was taken";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'red' は整数ではありません"));
    }
    EXPECT_EQ(font.Name(), QStringLiteral("Applied"));
    EXPECT_EQ(font.Size(), 24);
    EXPECT_EQ(font.Color(), clBlue);
    EXPECT_EQ(font.Style(), TFontStyles(fsItalic));

    // Malformed numbers take their defaults; the style keeps its low byte.
    Store("Xv_FontColor", QStringLiteral("clRed"));
    Store("Xv_FontSize", QStringLiteral("big"));
    Store("Xv_FontStyle", QStringLiteral("$103"));
    Filer()->ReadFont(font);
    EXPECT_EQ(font.Size(), 24);
    EXPECT_EQ(font.Style(), TFontStyles(3));
    Store("Xv_FontStyle", QStringLiteral("x"));
    Filer()->ReadFont(font);
    EXPECT_EQ(font.Style(), TFontStyles(0));
}

TEST_F(RegMngCompositeTest, FontSizesBeyondAScreenAreRefusedBeforeAnythingChanges) {
    UseIni();
    Store("Xv_FontName", QStringLiteral("Other"));
    const TFont before(QStringLiteral("Before"), 15, clBlue, fsItalic);
    for (const char* size : {"2147483647", "1639", "0", "-12"}) {
        Store("Xv_FontSize", QString::fromLatin1(size));
        TFont font = before;
        int changes = 0;
        font.OnChange = [&] { ++changes; };
        try {
            Filer()->ReadFont(font);
            ADD_FAILURE() << "font size " << size << " was taken";
        } catch (const Exception& e) {
            EXPECT_EQ(
                e.Message(),
                QStringLiteral("'Xv_FontSize' のフォントサイズ %1 は範囲外です (1～1638 ポイント)")
                    .arg(QString::fromLatin1(size)));
        }
        EXPECT_TRUE(font == before) << size;
        EXPECT_EQ(changes, 0) << size;
    }
    Store("Xv_FontSize", QStringLiteral("1638"));
    TFont largest = before;
    Filer()->ReadFont(largest);
    EXPECT_EQ(largest.Size(), 1638);

    // Nor is such a size stored.
    EXPECT_THROW(Filer("w")->WriteFont(TFont(QStringLiteral("Huge"), 3000)), Exception);
    EXPECT_EQ(Stored("Xw_FontName"), QStringLiteral("<none>"));
}

// --- String list ----------------------------------------------------------------

TEST_F(RegMngCompositeTest, AShorterListDeletesTheSurplusKeys) {
    UseIni();
    Filer()->WriteStrings(TStringList({"a", "b", "c"}));
    EXPECT_EQ(Keys(), (QStringList{"Xv_ItemCount", "Xv_Item0", "Xv_Item1", "Xv_Item2"}));
    Filer()->WriteStrings(TStringList({"z"}));
    EXPECT_EQ(Keys(), (QStringList{"Xv_ItemCount", "Xv_Item0"}));
    EXPECT_EQ(Stored("Xv_ItemCount"), QStringLiteral("1"));
    EXPECT_EQ(Stored("Xv_Item0"), QStringLiteral("z"));
    Filer()->WriteStrings(TStringList());
    EXPECT_TRUE(Keys().isEmpty());

    // An empty list with nothing stored writes nothing at all.
    QFile::remove(FIni);
    Filer()->WriteStrings(TStringList());
    EXPECT_FALSE(QFileInfo::exists(FIni));
}

TEST_F(RegMngCompositeTest, ReadingReplacesTheListInOneUpdate) {
    UseIni();
    TStringList list({"old"});
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    Filer()->ReadStrings(list);
    EXPECT_TRUE(list.List().isEmpty()); // nothing stored: cleared
    EXPECT_EQ(changes, 1);

    // A count above the stored strings gives empty ones for the missing.
    Store("Xv_ItemCount", QStringLiteral("3"));
    Store("Xv_Item0", QStringLiteral("first"));
    Store("Xv_Item2", QStringLiteral("third"));
    changes = 0;
    Filer()->ReadStrings(list);
    EXPECT_EQ(list.List(), (QStringList{"first", "", "third"}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.UpdateCount(), 0);
}

TEST_F(RegMngCompositeTest, StringsSurviveBothStoresUnchanged) {
    for (const bool ini : {true, false}) {
        ini ? UseIni() : UseRegistry();
        Filer()->WriteStrings(TStringList(ExpectedStrings()));
        TStringList back;
        Filer()->ReadStrings(back);
        EXPECT_EQ(back.List(), ExpectedStrings()) << (ini ? "INI" : "registry");
    }
}

TEST_F(RegMngCompositeTest, HugeStoredCountsAreRefusedAndChangeNothing) {
    UseIni();
    Store("Xv_ItemCount", QStringLiteral("2147483647"));
    Store("Xv_c", QStringLiteral("99999999"));
    TStringList list({"kept"});
    try {
        Filer()->ReadStrings(list);
        ADD_FAILURE() << "a count of two billion was read";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("'Xv_ItemCount' の数 2147483647 は上限 8192 を超えています"));
    }
    EXPECT_EQ(list.List(), QStringList{"kept"});
    EXPECT_EQ(list.UpdateCount(), 0);

    QBuffer target;
    target.open(QIODevice::ReadWrite);
    EXPECT_THROW(Filer()->ReadStream(target), Exception);
    EXPECT_EQ(target.size(), 0);

    // Overwriting a hostile count clears only what could have been written.
    QElapsedTimer timer;
    timer.start();
    Filer()->WriteStrings(TStringList({"new"}));
    EXPECT_EQ(Stored("Xv_ItemCount"), QStringLiteral("1"));
    EXPECT_LT(timer.elapsed(), 50000);

    // A list or stream too long to read back is refused before writing.
    QStringList many;
    for (int i = 0; i <= TRegFiler::kMaxStoredCount; ++i)
        many << QString();
    EXPECT_THROW(Filer()->WriteStrings(TStringList(many)), Exception);
    EXPECT_EQ(Stored("Xv_ItemCount"), QStringLiteral("1"));
    EXPECT_THROW(WriteBytes(Filer(), QByteArray(32 * TRegFiler::kMaxStoredCount + 1, 'x')),
                 Exception);
    EXPECT_EQ(Stored("Xv_c"), QStringLiteral("99999999"));
}

// --- Byte stream ----------------------------------------------------------------

TEST_F(RegMngCompositeTest, IniStreamIsCountedLinesOf64Digits) {
    UseIni();
    WriteBytes(Filer(), Bytes(33));
    EXPECT_EQ(Keys(), (QStringList{"Xv_c", "Xv_d0", "Xv_d1"}));
    EXPECT_EQ(Stored("Xv_c"), QStringLiteral("2"));
    EXPECT_EQ(Stored("Xv_d0"), QString::fromLatin1(Bytes(32).toHex().toUpper()));
    EXPECT_EQ(Stored("Xv_d1"), QStringLiteral("E1"));
    EXPECT_EQ(ReadBytes(Filer()), Bytes(33));

    WriteBytes(Filer(), {});
    EXPECT_TRUE(Keys().isEmpty());
    QFile::remove(FIni);
    WriteBytes(Filer(), {});
    EXPECT_FALSE(QFileInfo::exists(FIni));
    EXPECT_EQ(ReadBytes(Filer()), QByteArray());
}

TEST_F(RegMngCompositeTest, HandEditedLinesDecodeLeniently) {
    UseIni();
    Store("Xv_c", QStringLiteral("3"));
    Store("Xv_d0", QStringLiteral("0aFfG1"));
    Store("Xv_d1", QStringLiteral("ABC"));
    // Xv_d2 is missing: it adds nothing.
    EXPECT_EQ(ReadBytes(Filer()), QByteArray::fromHex("0aff00ab0c"));
}

TEST_F(RegMngCompositeTest, StreamsAreCopiedWholeAndAppendedAtThePosition) {
    for (const bool ini : {true, false}) {
        ini ? UseIni() : UseRegistry();
        QBuffer source;
        source.setData(Bytes(40));
        source.open(QIODevice::ReadOnly);
        source.seek(30);
        Filer()->WriteStream(source);
        EXPECT_TRUE(source.atEnd());

        QBuffer target;
        target.setData("head");
        target.open(QIODevice::ReadWrite);
        target.seek(4);
        Filer()->ReadStream(target);
        EXPECT_EQ(target.data(), "head" + Bytes(40)) << (ini ? "INI" : "registry");
        EXPECT_EQ(target.pos(), 44);
    }
}

TEST_F(RegMngCompositeTest, RegistryStreamIsOneBinaryValue) {
    UseRegistry();
    WriteBytes(Filer(), Bytes(100));
    {
        TRegIniFile root{QString()};
        const auto key = root.OpenKey(QStringLiteral("Software\\Example\\Form\\Values"));
        ASSERT_TRUE(key);
        EXPECT_EQ(root.GetDataInfo(*key, QStringLiteral("Xv"))->RegData, rdBinary);
        EXPECT_EQ(root.ReadBinaryData(*key, QStringLiteral("Xv")), Bytes(100));
    }
    // A string value under the name is the wrong type.
    Filer()->SetAsString(QStringLiteral("text"));
    try {
        ReadBytes(Filer());
        ADD_FAILURE() << "a string value was read as bytes";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'Xv' のデータ型が不正です"));
    }
    EXPECT_EQ(ReadBytes(Filer("w")), QByteArray()); // missing: nothing

    // An empty section is RegDir itself.
    FManager.RegItems()->GetItem(1)->SetSection(QString());
    WriteBytes(Filer("w"), "top");
    TRegIniFile root{QString()};
    const auto top = root.OpenKey(QStringLiteral("Software\\Example"));
    ASSERT_TRUE(top);
    EXPECT_EQ(root.ReadBinaryData(*top, QStringLiteral("Xw")), QByteArray("top"));
    EXPECT_EQ(ReadBytes(Filer("w")), QByteArray("top"));
}

TEST_F(RegMngCompositeTest, AnUnusableIniStoreIsReportedOnceAndReadsNothing) {
    FManager.SetRegType(rtIni); // no file name
    MessageBoxSeen seen;
    AnswerMessageBox(QStringLiteral("OK"), &seen);
    EXPECT_EQ(ReadBytes(Filer()), QByteArray());
    EXPECT_TRUE(seen.Shown);
    EXPECT_EQ(seen.Text, QStringLiteral("can not create Inifile object."));
}

// --- Component ------------------------------------------------------------------

class RegMngComponentTest : public RegMngCompositeTest {
protected:
    void SetUp() override {
        RegMngCompositeTest::SetUp();
        FForm = std::make_unique<QWidget>();
        FForm->setObjectName(QStringLiteral("Form1"));
        FPanel = MakeExpectedPanel(FForm.get());
    }

    std::unique_ptr<QWidget> FForm;
    QPointer<TTestPanel> FPanel;
};

TEST_F(RegMngComponentTest, AStoredPanelReplacesTheOneOnTheForm) {
    for (const bool ini : {true, false}) {
        ini ? UseIni() : UseRegistry();
        Filer()->WriteComponent(FPanel);
        FPanel->FCaption = QStringLiteral("changed");
        auto* extra = new TTestLabel(FPanel);
        extra->setObjectName(QStringLiteral("Extra"));

        QPointer<TTestPanel> old = FPanel;
        QObject* copy = Filer()->ReadComponent(FPanel);
        EXPECT_TRUE(old.isNull()) << "the old panel was not freed";
        FPanel = qobject_cast<TTestPanel*>(copy);
        ASSERT_NE(FPanel, nullptr);
        EXPECT_EQ(FPanel, FForm->findChild<TTestPanel*>(QStringLiteral("Panel1")));
        EXPECT_EQ(FPanel->parent(), FForm.get());
        EXPECT_EQ(FPanel->FCaption, QStringLiteral("パネル"));
        EXPECT_EQ(FPanel->FColor, 0x123456);
        EXPECT_EQ(FPanel->geometry(), QRect(8, 16, 120, 60));
        auto* label = FPanel->findChild<TTestLabel*>(QStringLiteral("Label1"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->parent(), FPanel);
        EXPECT_EQ(label->FCaption, QStringLiteral("ラベル"));
        EXPECT_EQ(FPanel->findChild<TTestLabel*>(QStringLiteral("Extra")), nullptr);
        EXPECT_EQ(FForm->findChildren<TTestPanel*>().size(), 1);
    }
}

TEST_F(RegMngComponentTest, ADamagedStoreKeepsTheOldPanelWithItsNames) {
    UseIni();
    Filer()->WriteComponent(FPanel);
    const int lines = Stored("Xv_c").toInt();
    ASSERT_GE(lines, 2);
    const QObjectList before = FForm->children();
    QPointer<TTestLabel> label = FPanel->findChild<TTestLabel*>();

    const auto expectKept = [&](const char* what) {
        ASSERT_FALSE(FPanel.isNull()) << what;
        EXPECT_EQ(FPanel->objectName(), QStringLiteral("Panel1")) << what;
        EXPECT_EQ(label->objectName(), QStringLiteral("Label1")) << what;
        EXPECT_EQ(FForm->children(), before) << what;
    };
    // A line lost from the end, a line too many, a class the program does
    // not know.
    Store("Xv_c", QString::number(lines - 1));
    EXPECT_THROW(Filer()->ReadComponent(FPanel), EReadError);
    expectKept("truncated");
    Store("Xv_c", QString::number(lines + 1));
    Store(QStringLiteral("Xv_d%1").arg(lines), QStringLiteral("00"));
    EXPECT_THROW(Filer()->ReadComponent(FPanel), EReadError);
    expectKept("extra line");
    Store("Xv_c", QString::number(lines));
    const QString first = Stored("Xv_d0");
    Store("Xv_d0",
          first.left(10) + QStringLiteral("58") + first.mid(12)); // TTestPanel -> XTestPanel
    try {
        Filer()->ReadComponent(FPanel);
        ADD_FAILURE() << "an unknown class was read";
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("クラス XTestPanel が見つかりません"));
    }
    expectKept("unknown class");
}

TEST_F(RegMngComponentTest, FormsAreNotStoredAndNothingStoredLeavesThePanel) {
    UseIni();
    Filer()->WriteComponent(FForm.get());
    EXPECT_FALSE(QFileInfo::exists(FIni));
    EXPECT_EQ(Filer()->ReadComponent(FPanel), FPanel.data());
    EXPECT_FALSE(FPanel.isNull());
    Filer()->WriteComponent(nullptr);
    EXPECT_EQ(Filer()->ReadComponent(nullptr), nullptr);
}

TEST_F(RegMngComponentTest, AComponentWithoutOwnerComesBackToTheCaller) {
    UseRegistry();
    auto* lone = new TTestComponent;
    lone->setObjectName(QStringLiteral("Lone"));
    lone->FTag = 42;
    Filer()->WriteComponent(lone);
    QPointer<TTestComponent> old = lone;
    std::unique_ptr<QObject> copy(Filer()->ReadComponent(lone));
    EXPECT_TRUE(old.isNull());
    auto* c = qobject_cast<TTestComponent*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->parent(), nullptr);
    EXPECT_EQ(c->objectName(), QStringLiteral("Lone"));
    EXPECT_EQ(c->FTag, 42);
}

// --- Across a restart -------------------------------------------------------------

int RunHelper(const QStringList& args, QByteArray* errors) {
    QProcess helper;
    helper.start(QStringLiteral(COMPOSITE_HELPER), args);
    if (!helper.waitForFinished(30000))
        return -1;
    *errors = helper.readAllStandardError();
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
}

TEST_F(RegMngCompositeTest, ValuesWrittenByOneRunReadBackEqualInTheNext) {
    const QString database = FDir.filePath("registry.sqlite3");
    QByteArray errors;
    ASSERT_EQ(RunHelper({"write", FIni, database}, &errors), 0) << errors.constData();

    // This process reads what the other one wrote...
    FManager.RegItems()->Clear();
    for (const char* name : {"Font", "List", "Panel"}) {
        TRegItem* item = FManager.RegItems()->Add();
        item->SetName(QString::fromLatin1(name));
        item->SetSection(QStringLiteral("Composite\\Values"));
        item->SetIdent(QString::fromLatin1(name));
    }
    FManager.SetIniFileName(FIni);
    FManager.SetRegDir(QStringLiteral("Software\\VexlaTest"));
    for (const TRegType store : {rtIni, rtReg}) {
        FManager.SetRegType(store);
        TFont font;
        FManager.Filer(QStringLiteral("Font"))->ReadFont(font);
        EXPECT_TRUE(font == ExpectedFont());
        TStringList strings;
        FManager.Filer(QStringLiteral("List"))->ReadStrings(strings);
        EXPECT_EQ(strings.List(), ExpectedStrings());
        QWidget form;
        auto* old = new TTestPanel(&form);
        old->setObjectName(QStringLiteral("Panel1"));
        auto* panel =
            qobject_cast<TTestPanel*>(FManager.Filer(QStringLiteral("Panel"))->ReadComponent(old));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->FCaption, QStringLiteral("パネル"));
        EXPECT_NE(panel->findChild<TTestLabel*>(QStringLiteral("Label1")), nullptr);

        // ...and writes them again for a third run to check.
        QWidget form2;
        FManager.Filer(QStringLiteral("Panel"))->WriteComponent(MakeExpectedPanel(&form2));
    }
    EXPECT_EQ(RunHelper({"check", FIni, database}, &errors), 0) << errors.constData();
}

} // namespace
