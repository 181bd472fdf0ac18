#include "RegMng.h"
#include "Graphics.h"
#include "IniFile.h"
#include "ManagerFixture.h"
#include "ModalDriver.h"
#include "Registry.h"
#include "RowName.h"
#include "StoreTestUtils.h"
#include "SysUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class RegMngTest : public ManagerFixture {
protected:
    TRegItem* AddItem(const QString& name, const QString& section, const QString& ident,
                      const QString& def = {}) {
        TRegItem* item = FManager.RegItems()->Add();
        item->SetName(name);
        item->SetSection(section);
        item->SetIdent(ident);
        item->SetDefaultValue(def);
        return item;
    }
    // Stores a text behind the item's back, as a hand edit would.
    void Store(const QString& section, const QString& ident, const QString& value) {
        TIniFile(FIni).WriteString(section, ident, value);
    }
};

void ExpectErrorBox(const MessageBoxSeen& seen, const QString& text) {
    EXPECT_TRUE(seen.Shown);
    EXPECT_EQ(seen.Text, text);
    EXPECT_EQ(seen.Caption, QStringLiteral("エラー"));
    EXPECT_EQ(seen.Icon, int(QMessageBox::Critical));
    EXPECT_EQ(seen.Buttons, QStringList{QStringLiteral("OK")});
}

TEST_F(RegMngTest, NewManagerStartsEmptyAndAnUnknownNameShowsTheBox) {
    EXPECT_EQ(FManager.RegType(), rtReg);
    EXPECT_TRUE(FManager.IniFileName().isEmpty());
    EXPECT_TRUE(FManager.RegDir().isEmpty());
    EXPECT_EQ(FManager.RegItems()->Count(), 0);

    MessageBoxSeen seen;
    AnswerMessageBox(QStringLiteral("OK"), &seen);
    TRegFiler* filer = FManager.Filer(QStringLiteral("x"));
    ExpectErrorBox(seen, QStringLiteral("[' x '] is invalid."));
    ASSERT_NE(filer, nullptr);
    EXPECT_EQ(filer->Item(), nullptr);
    // Unbound: no store is touched, so no further box either.
    EXPECT_EQ(filer->AsString(), QString());
    EXPECT_EQ(filer->AsInteger(), 0);
    EXPECT_FALSE(filer->AsBoolean());
    filer->SetAsString(QStringLiteral("lost"));
}

TEST_F(RegMngTest, LookupIgnoresCaseAndTheFirstOfTwoWins) {
    TRegItem* first =
        AddItem(QStringLiteral("bgc"), QStringLiteral("Form\\bgc"), QStringLiteral("string"));
    AddItem(QStringLiteral("BGC"), QStringLiteral("Other"), QStringLiteral("string"));
    EXPECT_EQ(FManager.Filer(QStringLiteral("BGC"))->Item(), first);
    EXPECT_EQ(FManager.RegItems()->FindItem(QStringLiteral("Bgc")), first);
    EXPECT_EQ(FManager.RegItems()->FindItem(QStringLiteral("bgc ")), nullptr);
    // ASCII letters only: "ſ" (long s) is no S.
    AddItem(QStringLiteral("size"), QStringLiteral("Form\\size"), QStringLiteral("string"));
    EXPECT_EQ(FManager.RegItems()->FindItem(QStringLiteral("ſize")), nullptr);
}

TEST_F(RegMngTest, TheOneFilerIsReboundByEveryCall) {
    UseIni();
    AddItem(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("v"),
            QStringLiteral("from a"));
    AddItem(QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("v"),
            QStringLiteral("from b"));
    TRegFiler* first = FManager.Filer(QStringLiteral("a"));
    TRegFiler* second = FManager.Filer(QStringLiteral("b"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->AsString(), QStringLiteral("from b"));
    // Removing the bound item leaves the filer unbound, not dangling.
    FManager.RegItems()->Delete(1);
    EXPECT_EQ(first->Item(), nullptr);
    EXPECT_EQ(first->AsString(), QString());
}

template <typename Row>
class RegMngRowTest : public RegMngTest, public ::testing::WithParamInterface<Row> {};

// An item's DefaultValue is what a truth value reads as while nothing is
// stored: "1", "True" or "Yes" in any letter case, nothing else.
struct TBooleanDefaultRow {
    const char* Name;
    const char* Default;
    bool Expected;
};
using BooleanDefault = RegMngRowTest<TBooleanDefaultRow>;

TEST_P(BooleanDefault, IsUpperCasedAndMatchedExactly) {
    UseIni();
    AddItem(QStringLiteral("b"), QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"),
            QString::fromUtf8(GetParam().Default));
    EXPECT_EQ(FManager.Filer(QStringLiteral("b"))->AsBoolean(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, BooleanDefault,
    ::testing::Values(
        TBooleanDefaultRow{"True", "True", true}, TBooleanDefaultRow{"LowerYes", "yes", true},
        TBooleanDefaultRow{"One", "1", true}, TBooleanDefaultRow{"Empty", "", false},
        TBooleanDefaultRow{"On", "on", false}, TBooleanDefaultRow{"TrailingBlank", "true ", false},
        TBooleanDefaultRow{"LeadingBlank", " TRUE", false}, TBooleanDefaultRow{"Two", "2", false},
        TBooleanDefaultRow{"LongS", "yeſ", false}, // no ASCII letter in either
        TBooleanDefaultRow{"FullWidth", "ｙｅｓ", false}),
    TRowName());

// A stored truth value is an integer whose low byte decides.
struct TStoredBooleanRow {
    const char* Name;
    const char* Stored;
    bool Expected;
};
using StoredBoolean = RegMngRowTest<TStoredBooleanRow>;

TEST_P(StoredBoolean, ReadsTheLowByteOfTheNumber) {
    UseIni();
    AddItem(QStringLiteral("b"), QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"),
            QStringLiteral("True"));
    Store(QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"),
          QString::fromUtf8(GetParam().Stored));
    EXPECT_EQ(FManager.Filer(QStringLiteral("b"))->AsBoolean(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredBoolean,
                         ::testing::Values(TStoredBooleanRow{"One", "1", true},
                                           TStoredBooleanRow{"Two", "2", true},
                                           TStoredBooleanRow{"MinusOne", "-1", true},
                                           TStoredBooleanRow{"Seven", "7", true},
                                           TStoredBooleanRow{"Hex100", "$100", false},
                                           TStoredBooleanRow{"Zero", "0", false},
                                           TStoredBooleanRow{"TwoFiftySix", "256", false},
                                           TStoredBooleanRow{"Word", "True", false},
                                           TStoredBooleanRow{"Empty", "", false}),
                         TRowName());

TEST_F(RegMngTest, BooleanIsWrittenAsOneOrZero) {
    UseIni();
    AddItem(QStringLiteral("b"), QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"));
    FManager.Filer(QStringLiteral("b"))->SetAsBoolean(true);
    EXPECT_EQ(ReadBytes(FIni), QByteArray("[Form\\CheckBox2]\r\nChecked=1\r\n"));
    FManager.Filer(QStringLiteral("b"))->SetAsBoolean(false);
    EXPECT_EQ(ReadBytes(FIni), QByteArray("[Form\\CheckBox2]\r\nChecked=0\r\n"));
}

// AsInteger is the integer parse with 0 for what is not a number, whatever
// the item's default; it writes plain decimal.
struct TStoredIntegerRow {
    const char* Name;
    const char* Stored;
    int Expected;
};
using StoredInteger = RegMngRowTest<TStoredIntegerRow>;

TEST_P(StoredInteger, ParsesOrGivesZero) {
    UseIni();
    AddItem(QStringLiteral("n"), QStringLiteral("N"), QStringLiteral("v"), QStringLiteral("5"));
    Store(QStringLiteral("N"), QStringLiteral("v"), QString::fromUtf8(GetParam().Stored));
    EXPECT_EQ(FManager.Filer(QStringLiteral("n"))->AsInteger(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredInteger,
                         ::testing::Values(TStoredIntegerRow{"LeadingBlank", " 42", 42},
                                           TStoredIntegerRow{"TrailingBlank", "42 ", 0},
                                           TStoredIntegerRow{"Dollar", "$1F", 31},
                                           TStoredIntegerRow{"ZeroX", "0x1f", 31},
                                           TStoredIntegerRow{"Word", "abc", 0},
                                           TStoredIntegerRow{"Min", "-2147483648", INT32_MIN},
                                           TStoredIntegerRow{"AboveMax", "2147483648", 0}),
                         TRowName());

TEST_F(RegMngTest, IntegerReadsTheDefaultAndWritesDecimal) {
    UseIni();
    AddItem(QStringLiteral("n"), QStringLiteral("N"), QStringLiteral("v"), QStringLiteral("5"));
    EXPECT_EQ(FManager.Filer(QStringLiteral("n"))->AsInteger(), 5); // the default, parsed
    FManager.Filer(QStringLiteral("n"))->SetAsInteger(-5);
    EXPECT_EQ(TIniFile(FIni).ReadString(QStringLiteral("N"), QStringLiteral("v"), {}), "-5");
}

TEST_F(RegMngTest, EmptySectionOrIdentReadsTheDefaultAndWritesNothing) {
    UseIni();
    AddItem(QStringLiteral("s"), QString(), QStringLiteral("v"), QStringLiteral("d"));
    AddItem(QStringLiteral("i"), QStringLiteral("S"), QString(), QStringLiteral("yes"));
    EXPECT_EQ(FManager.Filer(QStringLiteral("s"))->AsString(), QStringLiteral("d"));
    EXPECT_TRUE(FManager.Filer(QStringLiteral("i"))->AsBoolean());
    FManager.Filer(QStringLiteral("s"))->SetAsString(QStringLiteral("x"));
    FManager.Filer(QStringLiteral("i"))->SetAsInteger(3);
    FManager.Filer(QStringLiteral("i"))->DeleteValue(QString(), QStringLiteral("v"));
    EXPECT_FALSE(QFileInfo::exists(FIni));
}

TEST_F(RegMngTest, UnusableStoreShowsItsBoxAndFallsBackToTheDefault) {
    AddItem(QStringLiteral("t"), QStringLiteral("Form\\Tad"), QStringLiteral("string"),
            QStringLiteral("Tips"));
    FManager.SetRegType(rtIni); // no IniFileName
    MessageBoxSeen seen;
    AnswerMessageBox(QStringLiteral("OK"), &seen);
    EXPECT_EQ(FManager.Filer(QStringLiteral("t"))->AsString(), QStringLiteral("Tips"));
    ExpectErrorBox(seen, QStringLiteral("can not create Inifile object."));

    FManager.SetRegType(rtReg); // no RegDir
    seen = {};
    AnswerMessageBox(QStringLiteral("OK"), &seen);
    FManager.Filer(QStringLiteral("t"))->SetAsString(QStringLiteral("x"));
    ExpectErrorBox(seen, QStringLiteral("can not create Registry object."));
}

TEST_F(RegMngTest, SwitchingRegTypeSendsTheNextCallToTheOtherStore) {
    AddItem(QStringLiteral("c"), QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"));
    UseIni();
    FManager.Filer(QStringLiteral("c"))->SetAsString(QStringLiteral("ini"));
    UseRegistry();
    EXPECT_EQ(FManager.Filer(QStringLiteral("c"))->AsString(), QString());
    FManager.Filer(QStringLiteral("c"))->SetAsBoolean(true);
    FManager.SetRegType(rtIni);
    EXPECT_EQ(FManager.Filer(QStringLiteral("c"))->AsString(), QStringLiteral("ini"));
    FManager.SetRegType(rtReg);
    EXPECT_EQ(FManager.Filer(QStringLiteral("c"))->AsString(), QStringLiteral("1"));

    // The registry layout: RegDir, then one key per section level.
    TRegIniFile root{QString()};
    const auto key = root.OpenKey(QStringLiteral("Software\\Example\\Form\\CheckBox2"));
    ASSERT_TRUE(key);
    EXPECT_EQ(root.GetDataInfo(*key, QStringLiteral("Checked"))->RegData, rdString);
}

TEST_F(RegMngTest, RegistryReadOfAMissingSectionCreatesOnlyRegDir) {
    UseRegistry();
    AddItem(QStringLiteral("t"), QStringLiteral("Form\\Tad"), QStringLiteral("string"),
            QStringLiteral("Tips"));
    EXPECT_EQ(FManager.Filer(QStringLiteral("t"))->AsString(), QStringLiteral("Tips"));
    TRegIniFile root{QString()};
    EXPECT_TRUE(root.OpenKey(QStringLiteral("Software\\Example")));
    EXPECT_FALSE(root.OpenKey(QStringLiteral("Software\\Example\\Form")));
}

TEST_F(RegMngTest, StoreErrorsPassOutOfTheAccessor) {
    UseRegistry();
    AddItem(QStringLiteral("c"), QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"));
    {
        TRegIniFile reg(QStringLiteral("Software\\Example"));
        reg.CreateKey(QStringLiteral("Form\\CheckBox2"));
        reg.WriteInteger(*reg.OpenKey(QStringLiteral("Form\\CheckBox2")), QStringLiteral("Checked"),
                         1);
    }
    try {
        FManager.Filer(QStringLiteral("c"))->AsBoolean();
        ADD_FAILURE() << "a number value read as text";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'Checked' のデータ型が不正です"));
    }

    UseIni();
    const QString folder = FDir.filePath("folder.ini"); // a folder cannot be written as a file
    ASSERT_TRUE(QDir().mkpath(folder));
    FManager.SetIniFileName(folder);
    try {
        FManager.Filer(QStringLiteral("c"))->SetAsBoolean(true);
        ADD_FAILURE() << "wrote over a folder";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), folder + QStringLiteral(" に書き込めません: フォルダーです"));
    }
}

TEST_F(RegMngTest, DeleteValueMakesTheItemReadAsMissing) {
    AddItem(QStringLiteral("t"), QStringLiteral("Form\\Tad"), QStringLiteral("string"),
            QStringLiteral("Tips"));
    for (const bool ini : {true, false}) {
        ini ? UseIni() : UseRegistry();
        TRegFiler* filer = FManager.Filer(QStringLiteral("t"));
        filer->SetAsString(QString());
        EXPECT_EQ(filer->AsString(), QString()); // a stored empty value is a value
        filer->DeleteValue(QStringLiteral("Form\\Tad"), QStringLiteral("string"));
        EXPECT_EQ(filer->AsString(), QStringLiteral("Tips"));
    }
}

// The writes a caller brackets reach the INI file as one rewrite; each still
// goes through the filer and is refused on its own, and reads in between
// see them.
TEST_F(RegMngTest, BatchOfWritesReachesTheIniFileAsOneRewrite) {
    UseIni();
    AddItem(QStringLiteral("a"), QStringLiteral("Form\\a"), QStringLiteral("string"));
    AddItem(QStringLiteral("b"), QStringLiteral("Form\\b"), QStringLiteral("string"));
    AddItem(QStringLiteral("c"), QStringLiteral("Form\\c"), QStringLiteral("Checked"),
            QStringLiteral("True"));
    Store(QStringLiteral("Form\\a"), QStringLiteral("string"), QStringLiteral("old"));
    const QByteArray before = ReadBytes(FIni);
    {
        TRegBatch batch(FManager);
        FManager.Filer(QStringLiteral("a"))->SetAsString(QStringLiteral("new"));
        EXPECT_THROW(FManager.Filer(QStringLiteral("b"))->SetAsString(QStringLiteral("😀")),
                     EIniFileException);
        FManager.Filer(QStringLiteral("c"))->SetAsBoolean(false);
        EXPECT_EQ(FManager.Filer(QStringLiteral("a"))->AsString(), QStringLiteral("new"));
        EXPECT_FALSE(FManager.Filer(QStringLiteral("c"))->AsBoolean());
        EXPECT_EQ(ReadBytes(FIni), before);
        batch.Commit();
    }
    EXPECT_EQ(ReadBytes(FIni), QByteArray("[Form\\a]\r\nstring=new\r\n[Form\\c]\r\nChecked=0\r\n"));

    // Over the registry each write stands alone, as before.
    UseRegistry();
    {
        TRegBatch batch(FManager);
        FManager.Filer(QStringLiteral("a"))->SetAsString(QStringLiteral("reg"));
    }
    EXPECT_EQ(FManager.Filer(QStringLiteral("a"))->AsString(), QStringLiteral("reg"));
}

// While a read batch is open the manager's reads of its file come from one
// read of it; another file, or a write, goes to the disk.
TEST_F(RegMngTest, ReadBatchServesTheManagersReadsFromOneRead) {
    UseIni();
    AddItem(QStringLiteral("t"), QStringLiteral("Form\\Tad"), QStringLiteral("string"));
    Store(QStringLiteral("Form\\Tad"), QStringLiteral("string"), QStringLiteral("old"));
    TRegReadBatch batch(FManager);
    WriteBytes(FIni, "[Form\\Tad]\r\nstring=new\r\n"); // another program meanwhile
    EXPECT_EQ(FManager.Filer(QStringLiteral("t"))->AsString(), QStringLiteral("old"));
    const QString other = FDir.filePath("other.ini");
    WriteBytes(other, "[Form\\Tad]\r\nstring=other\r\n");
    FManager.SetIniFileName(other);
    EXPECT_EQ(FManager.Filer(QStringLiteral("t"))->AsString(), QStringLiteral("other"));
    FManager.SetIniFileName(FIni);
    FManager.Filer(QStringLiteral("t"))->SetAsString(QStringLiteral("mine"));
    EXPECT_EQ(FManager.Filer(QStringLiteral("t"))->AsString(), QStringLiteral("mine"));
}

// A subclass's back-end takes effect although it is chosen by a virtual.
class TRecordingFiler : public TRegFiler {
public:
    using TRegFiler::TRegFiler;
    QString ReadString(const QString& section, const QString& ident, const QString&) override {
        return section + u'/' + ident;
    }
};

class TCustomManager : public TRegManager {
public:
    using TRegManager::TRegManager;

protected:
    std::unique_ptr<TRegFiler> CreateFiler() override {
        return std::make_unique<TRecordingFiler>(*this);
    }
};

TEST_F(RegMngTest, AnOverriddenCreateFilerIsUsedAndTheOwnerFreesTheManager) {
    auto* owner = new QWidget;
    QPointer<TRegManager> manager = new TCustomManager(owner);
    TRegItem* item = manager->RegItems()->Add();
    item->SetName(QStringLiteral("n"));
    item->SetSection(QStringLiteral("S"));
    item->SetIdent(QStringLiteral("I"));
    EXPECT_NE(dynamic_cast<TRecordingFiler*>(manager->Filer(QStringLiteral("n"))), nullptr);
    EXPECT_EQ(manager->Filer(QStringLiteral("n"))->AsString(), QStringLiteral("S/I"));
    EXPECT_EQ(&manager->Filer(QStringLiteral("n"))->Manager(), manager.data());
    delete owner;
    EXPECT_TRUE(manager.isNull());
}

TEST_F(RegMngTest, ItemsCopyFieldsAndCheckTheirIndex) {
    TRegItem* a =
        AddItem(QStringLiteral("a"), QStringLiteral("S"), QStringLiteral("I"), QStringLiteral("D"));
    TRegItem* b = AddItem(QStringLiteral("b"), {}, {});
    FManager.RegItems()->SetItem(1, *a);
    EXPECT_EQ(b->Name(), QStringLiteral("a"));
    EXPECT_EQ(b->Section(), QStringLiteral("S"));
    EXPECT_EQ(b->Ident(), QStringLiteral("I"));
    EXPECT_EQ(b->DefaultValue(), QStringLiteral("D"));
    EXPECT_EQ(FManager.RegItems()->Items(1), b);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_THROW(FManager.RegItems()->GetItem(2), Exception);
    EXPECT_THROW(FManager.RegItems()->GetItem(-1), Exception);
}

} // namespace
