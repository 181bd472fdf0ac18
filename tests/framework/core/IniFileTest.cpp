#include "IniFile.h"
#include "Cp932.h"
#include "NonRegularFiles.h"
#include "RowName.h"
#include "StoreTestUtils.h"
#include "SysUtils.h"
#include "Unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Path(const QString& name = QStringLiteral("conv.ini")) const {
        return FDir.filePath(name);
    }
    // Writes original, applies a write through TIniFile and returns the file.
    QByteArray AfterWrite(const QByteArray& original, const QString& section, const QString& ident,
                          const QString& value) {
        WriteBytes(Path(), original);
        TIniFile(Path()).WriteString(section, ident, value);
        return ReadBytes(Path());
    }

    QTemporaryDir FDir;
};

QString Sjis(const char* bytes) {
    return Cp932::Decode(QByteArray(bytes));
}

// A value written reads back as written, whatever blanks, quotes or
// brackets it holds.
struct TValueRow {
    const char* Name;
    QString Value;
};

class IniValueTest : public IniFileTest, public ::testing::WithParamInterface<TValueRow> {};

TEST_P(IniValueTest, ReadsBackAsWritten) {
    TIniFile(Path()).WriteString(QStringLiteral("Form\\bgc"), QStringLiteral("k"),
                                 GetParam().Value);
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("Form\\bgc"), QStringLiteral("k"),
                                          QStringLiteral("<none>")),
              GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniValueTest,
    ::testing::Values(TValueRow{"Empty", QString()}, TValueRow{"LeadingBlanks", "  lead"},
                      TValueRow{"TrailingBlanks", "trail  "}, TValueRow{"Quoted", "\"quoted\""},
                      TValueRow{"SingleQuoted", "'single'"}, TValueRow{"LoneQuote", "\""},
                      TValueRow{"HalfQuoted", "\"half"}, TValueRow{"Equals", "a=b=c"},
                      TValueRow{"Semicolon", ";not a comment"}, TValueRow{"Brackets", "[x]"},
                      TValueRow{"TabAndBlank", "\t tab "},
                      TValueRow{"DoubleByte", QStringLiteral("ＭＳ 明朝")},
                      TValueRow{"TrailByteBackslash", QStringLiteral("ソ表能\\")},
                      TValueRow{"EmptyQuotes", "\"\""}, TValueRow{"Path", "C:\\a b\\"}),
    TRowName());

TEST_F(IniFileTest, OutputIsCrLfWithSectionsAppendedWithoutBlankLines) {
    TIniFile ini(Path());
    ini.WriteString(QStringLiteral("Form\\CheckBox2"), QStringLiteral("Checked"),
                    QStringLiteral("1"));
    ini.WriteString(QStringLiteral("B"), QStringLiteral("x"), QStringLiteral(" y "));
    ini.WriteString(QStringLiteral("form\\checkbox2"), QStringLiteral("Other"),
                    QStringLiteral("2"));
    EXPECT_EQ(ReadBytes(Path()),
              QByteArray("[Form\\CheckBox2]\r\nChecked=1\r\nOther=2\r\n[B]\r\nx=\" y \"\r\n"));
}

TEST_F(IniFileTest, NamesIgnoreAsciiCaseButNeverMatchOnTrailBytes) {
    WriteBytes(Path(), "[Form\\BGC]\r\n  String  =  #fff8dc  \r\n"
                       "[\x83\x41]\r\nk=a\r\n"   // ア: trail byte 'A'
                       "[\x83\x5D]\r\nk=b\r\n"   // a double-byte name whose trail byte is ']'
                       "[\x83\x5B]\r\nk=c\r\n"); // ... and '['
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral(" form\\bgc "), QStringLiteral("STRING"), {}),
              QStringLiteral("#fff8dc"));
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x41"), QStringLiteral("k"), QStringLiteral("-")), "a");
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x61"), QStringLiteral("k"), QStringLiteral("-")), "-");
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x5D"), QStringLiteral("k"), QStringLiteral("-")), "b");
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x5B"), QStringLiteral("k"), QStringLiteral("-")), "c");
    EXPECT_EQ(ini.ReadSections().size(), 4);
    // A character the code page holds under two codes is found by either.
    WriteBytes(Path(), "[\xEE\xF5]\r\nk=d\r\n");
    const QStringList sections = ini.ReadSections();
    ASSERT_EQ(sections.size(), 1);
    EXPECT_EQ(ini.ReadString(sections[0], QStringLiteral("k"), {}), "d");
}

TEST_F(IniFileTest, UnknownLinesSurviveByteForByteAndNewKeysJoinTheirSection) {
    const QByteArray original = "junk before any section\r\n"
                                "; comment\r\n"
                                "[A]\r\n"
                                "no equals sign\r\n"
                                "X = 1 \r\n"
                                "  ; belongs to B\r\n"
                                "\r\n"
                                "[B]\r\n"
                                "y=2\r\n";
    EXPECT_EQ(AfterWrite(original, QStringLiteral("a"), QStringLiteral("z"), QStringLiteral("9")),
              QByteArray("junk before any section\r\n; comment\r\n[A]\r\nno equals sign\r\n"
                         "X = 1 \r\nz=9\r\n  ; belongs to B\r\n\r\n[B]\r\ny=2\r\n"));
    // A replaced value keeps the key as the file spells it.
    EXPECT_EQ(AfterWrite(original, QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("5")),
              QByteArray(original).replace("X = 1 \r\n", "X =5\r\n"));
    EXPECT_EQ(AfterWrite(original, QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("3")),
              original + "[C]\r\nw=3\r\n");
}

TEST_F(IniFileTest, CrAndLfLinesAreReadAndRewrittenAsCrLf) {
    EXPECT_EQ(AfterWrite("[A]\rx=1\ry=2\n[B]\nz=3", QStringLiteral("B"), QStringLiteral("w"),
                         QStringLiteral("4")),
              QByteArray("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\nw=4\r\n"));
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("y"), {}), "2");
}

TEST_F(IniFileTest, FirstDuplicateWinsAndDeleteRemovesTheKeyForGood) {
    const QByteArray original = "[A]\r\nx=1\r\nx=2\r\n[a]\r\nx=3\r\ny=4\r\n";
    WriteBytes(Path(), original);
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "1");
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("-")), "-");
    ini.WriteString(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("5"));
    EXPECT_EQ(ReadBytes(Path()), QByteArray("[A]\r\nx=1\r\nx=2\r\ny=5\r\n[a]\r\nx=3\r\ny=4\r\n"));
    EXPECT_TRUE(ini.DeleteKey(QStringLiteral("a"), QStringLiteral("X")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("-")), "-");
    EXPECT_FALSE(ini.DeleteKey(QStringLiteral("A"), QStringLiteral("x")));
    EXPECT_FALSE(ini.DeleteKey(QStringLiteral("Missing"), QStringLiteral("x")));
}

// The platform reads into a 2048-byte buffer: at most 2047 bytes come back,
// and a double-byte character that would not fit whole is left out.
struct TCutRow {
    const char* Name;
    QString Value;
    QString Expected;
};

class IniCutTest : public IniFileTest, public ::testing::WithParamInterface<TCutRow> {};

TEST_P(IniCutTest, ReadsAreCutAt2047BytesOnACharacterBoundary) {
    TIniFile ini(Path());
    ini.WriteString(QStringLiteral("L"), QStringLiteral("v"), GetParam().Value);
    EXPECT_EQ(ini.ReadString(QStringLiteral("L"), QStringLiteral("v"), {}), GetParam().Expected);
    EXPECT_EQ(TIniDocument::CutValue(GetParam().Value), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, IniCutTest,
    ::testing::Values(
        TCutRow{"LongAscii", QString(100000, u'v'), QString(2047, u'v')},
        TCutRow{"Kanji2046BytesWhole", QString(1023, u'漢'), QString(1023, u'漢')},
        TCutRow{"Kanji2048Bytes", QString(1024, u'漢'), QString(1023, u'漢')},
        TCutRow{"LongKanji", QString(3000, u'漢'), QString(1023, u'漢')},
        TCutRow{"Exactly2047", u'a' + QString(1024, u'漢'), u'a' + QString(1023, u'漢')},
        TCutRow{"KanjiOverTheEdge", QStringLiteral("ab") + QString(1024, u'漢'),
                QStringLiteral("ab") + QString(1022, u'漢')},
        TCutRow{"HalfWidthKanaOneByteEach", QString(2000, u'ｱ'), QString(2000, u'ｱ')}),
    TRowName());

// What could not read back as written is refused with the reason, and
// nothing is written.
struct TRefusedRow {
    const char* Name;
    QString Section;
    QString Ident;
    QString Value;
    const char* Reason;
};

class IniRefusedTest : public IniFileTest, public ::testing::WithParamInterface<TRefusedRow> {};

TEST_P(IniRefusedTest, NothingIsWritten) {
    const QByteArray original = "[A]\r\nx=1\r\n";
    WriteBytes(Path(), original);
    const TRefusedRow& r = GetParam();
    for (const QString& file : {Path(), Path("new.ini")}) {
        try {
            TIniFile(file).WriteString(r.Section, r.Ident, r.Value);
            ADD_FAILURE() << "accepted";
        } catch (const EIniWriteError& e) {
            EXPECT_EQ(e.Message().toStdString(),
                      (file + QStringLiteral(" に書き込めません: ")).toStdString() + r.Reason);
        }
    }
    EXPECT_EQ(ReadBytes(Path()), original);
    EXPECT_FALSE(QFileInfo::exists(Path("new.ini")));
}

const char kBreak[] = "セクション名、キー名、値に改行は使えません";
const char kEmoji[] = "文字 「😀」(U+1F600) は Shift-JIS で表せません";

INSTANTIATE_TEST_SUITE_P(
    Input, IniRefusedTest,
    ::testing::Values(
        TRefusedRow{"LfInValue", "A", "x", "two\nlines", kBreak},
        TRefusedRow{"CrInValue", "A", "x", "cr\r", kBreak},
        TRefusedRow{"LfInSection", "A\nB", "x", "1", kBreak},
        TRefusedRow{"CrInIdent", "A", "x\r", "1", kBreak},
        TRefusedRow{"BracketInSection", "A]B", "x", "1", "セクション名に ] は使えません"},
        TRefusedRow{"EqualsInIdent", "A", "x=y", "1", "キー名に = は使えません"},
        TRefusedRow{"CommentIdent", "A", " ;x", "1", "キー名を ; や [ で始めることはできません"},
        TRefusedRow{"BracketIdent", "A", "[x", "1", "キー名を ; や [ で始めることはできません"},
        TRefusedRow{"BlankIdent", "A", "  ", "1", "キー名が空です"},
        TRefusedRow{"EmojiInValue", "A", "x", QStringLiteral("😀"), kEmoji},
        TRefusedRow{"EmojiInSection", QStringLiteral("😀"), "x", "1", kEmoji},
        TRefusedRow{"EmojiInIdent", "A", QStringLiteral("😀"), "1", kEmoji},
        TRefusedRow{"LineSeparatorInValue", "A", "x", QString(QChar::LineSeparator),
                    "文字 「\u2028」(U+2028) は Shift-JIS で表せません"}),
    TRowName());

struct TDamagedRow {
    const char* Name;
    QByteArray Bytes;
};

class IniDamagedTest : public IniFileTest, public ::testing::WithParamInterface<TDamagedRow> {};

TEST_P(IniDamagedTest, ReadsSafelyAndSurvivesARewrite) {
    const QByteArray& original = GetParam().Bytes;
    WriteBytes(Path(), original);
    TIniFile ini(Path());
    (void)ini.ReadSections();
    (void)ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), {});
    ini.WriteString(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("new"), {}), "1");
    const QList<QByteArray> after = TIniDocument(ReadBytes(Path())).Lines();
    const QList<QByteArray> before = TIniDocument(original).Lines();
    for (const QByteArray& line : before)
        EXPECT_TRUE(after.contains(line)) << "lost " << line.left(20).toHex().data();
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniDamagedTest,
    ::testing::Values(TDamagedRow{"NoSection", "x=1\r\ny=2\r\n"},
                      TDamagedRow{"Utf8Signature", "\xEF\xBB\xBF[A]\r\nx=1\r\n"},
                      TDamagedRow{"NulBytes", QByteArray("[A]\r\nx=a\0b\r\n\0[B\0]\r\n", 20)},
                      TDamagedRow{"NoClosingBracket", "[unterminated\r\nx=1\r\n[A\r\n"},
                      TDamagedRow{"LoneLeadBytes", QByteArray(4000, '\x81')},
                      TDamagedRow{"LongLineNoBreak", "[A]\r\n" + QByteArray(100000, 'z')}),
    TRowName());

TEST_F(IniFileTest, SignatureAndNulBytesReadAsText) {
    WriteBytes(Path(), "\xEF\xBB\xBF[A]\r\nx=1\r\n");
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "1");
    WriteBytes(Path(), QByteArray("[A]\r\nx=a\0b\r\n", 12));
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}),
              QString::fromUtf8("a\0b", 3));
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndAnEmptyNameIsNoFile) {
    TIniFile missing(Path("missing.ini"));
    EXPECT_EQ(missing.ReadString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("d")),
              "d");
    EXPECT_TRUE(missing.ReadSections().isEmpty());
    EXPECT_THROW(TIniFile(QString()).WriteString("A", "x", "1"), EIniFileException);
}

// A FIFO, a device or a folder (or a link to one) is never opened: reading
// one could block. It reads as empty, and a write is refused with the reason,
// leaving it as it is with no lock file beside it.
class IniNonRegularFileTest : public IniFileTest,
                              public ::testing::WithParamInterface<TNonRegularFile> {};

TEST_P(IniNonRegularFileTest, ReadsAsEmptyAndRefusesWrites) {
    const QString path = MakeNonRegularFile(GetParam(), FDir.path());
    const auto identity = FileIdentity(path);
    const bool lockBefore = HasLockFile(path);
    const QStringList entries = QDir(FDir.path()).entryList(QDir::AllEntries | QDir::System);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("d")), "d");
    EXPECT_EQ(TIniSnapshot(path).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "");
    try {
        ini.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
        ADD_FAILURE() << "wrote";
    } catch (const EIniWriteError& e) {
        EXPECT_EQ(e.Message().toStdString(),
                  (path + QStringLiteral(" に書き込めません: ")).toStdString() + GetParam().Reason);
    }
    EXPECT_FALSE(ini.DeleteKey(QStringLiteral("A"), QStringLiteral("x")));
    EXPECT_EQ(FileIdentity(path), identity);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::AllEntries | QDir::System), entries);
    EXPECT_EQ(HasLockFile(path), lockBefore);
}

INSTANTIATE_TEST_SUITE_P(Kinds, IniNonRegularFileTest, ::testing::ValuesIn(kNonRegularFiles),
                         TRowName());

// A folder the writer may not change: the write fails with the framework's
// text and the old file stays.
TEST_F(IniFileTest, UnwritableFolderRaisesAndKeepsTheOldFile) {
    if (!RunUnprivileged())
        return;
    const QString folder = Path("ro");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/conv.ini");
    const QByteArray original = "[A]\r\nx=1\r\n";
    WriteBytes(file, original);
    QFile::setPermissions(folder, QFileDevice::Permissions(0x5555));
    try {
        TIniFile(file).WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2"));
        ADD_FAILURE() << "wrote into a read-only folder";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), file + QStringLiteral(" に書き込めません"));
    }
    QFile::setPermissions(folder, QFileDevice::Permissions(0x7700));
    EXPECT_EQ(ReadBytes(file), original);
}

TEST_F(IniFileTest, TwoProcessesWritingAtOnceKeepEachOthersSections) {
    constexpr int kEach = 200;
    QObject owner;
    QProcess* a = StartHelper({"ini-write", Path(), "P1", QString::number(kEach)}, &owner);
    QProcess* b = StartHelper({"ini-write", Path(), "P2", QString::number(kEach)}, &owner);
    ASSERT_TRUE(a->waitForFinished(50000) && b->waitForFinished(50000));
    ASSERT_EQ(a->exitCode(), 0) << a->readAllStandardError().toStdString();
    ASSERT_EQ(b->exitCode(), 0) << b->readAllStandardError().toStdString();
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadSections().size(), 2 * kEach);
    for (int i = 0; i < kEach; ++i)
        for (const char* prefix : {"P1", "P2"})
            EXPECT_EQ(ini.ReadString(QStringLiteral("%1\\%2").arg(prefix).arg(i), "k", {}),
                      QString::number(i));
}

// Every write replaces the whole file at once, so a writer killed at any
// moment leaves a file holding exactly the keys of its completed writes.
TEST_F(IniFileTest, WriterKilledMidWayLeavesACompleteFile) {
    QObject owner;
    QProcess* writer = StartHelper({"ini-write", Path(), "W", "100000"}, &owner);
    ASSERT_TRUE(writer->waitForStarted(10000));
    for (int waited = 0; waited < 10000 && TIniFile(Path()).ReadSections().size() < 20;
         waited += 20)
        QThread::msleep(20);
    writer->kill();
    writer->waitForFinished(10000);
    const QByteArray bytes = ReadBytes(Path());
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    TIniFile ini(Path());
    const int n = int(ini.ReadSections().size());
    EXPECT_GE(n, 1);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(ini.ReadString(QStringLiteral("W\\%1").arg(i), "k", {}), QString::number(i));
    EXPECT_EQ(bytes.count("\r\n"), 2 * n);
}

} // namespace

namespace {

// The settings of one close: COUNT sections S\i, key k, all holding value.
QString SetValue(const QString& file, int count) {
    TIniFile ini(file);
    QStringList values;
    for (int i = 0; i < count; ++i)
        values << ini.ReadString(QStringLiteral("S\\%1").arg(i), QStringLiteral("k"),
                                 QStringLiteral("<none>"));
    values.removeDuplicates();
    return values.size() == 1 ? values[0] : QStringLiteral("mix of ") + values.join(u',');
}

void WriteSet(const QString& file, const QString& value, int count) {
    TIniBatch batch(file);
    for (int i = 0; i < count; ++i)
        batch.WriteString(QStringLiteral("S\\%1").arg(i), QStringLiteral("k"), value);
    batch.Commit();
}

} // namespace

// A symlink and a folder link lead three writers to one file: they share its
// lock, which lies beside the file itself.
TEST_F(IniFileTest, WritersReachingOneFileByThreeNamesKeepEachOthersKeys) {
    constexpr int kEach = 150;
    ASSERT_TRUE(QFile::link(QStringLiteral("real.ini"), Path("link.ini")));
    ASSERT_TRUE(QFile::link(FDir.path(), Path("folder")));
    const QString names[] = {Path("real.ini"), Path("link.ini"), Path("folder/real.ini")};
    QObject owner;
    QList<QProcess*> writers;
    for (int w = 0; w < 3; ++w)
        writers << StartHelper(
            {"ini-write", names[w], QStringLiteral("P%1").arg(w), QString::number(kEach)}, &owner);
    for (QProcess* p : writers) {
        ASSERT_TRUE(p->waitForFinished(50000));
        ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    TIniFile ini(Path("link.ini"));
    EXPECT_EQ(ini.ReadSections().size(), 3 * kEach);
    for (int w = 0; w < 3; ++w)
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(ini.ReadString(QStringLiteral("P%1\\%2").arg(w).arg(i), "k", {}),
                      QString::number(i));
    EXPECT_TRUE(QFileInfo(Path("link.ini")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(Path("real.ini.lock")));
    EXPECT_FALSE(QFileInfo::exists(Path("link.ini.lock")));
}

// A lock needs no write access: a lock file another user made (whatever
// their umask) or one nobody may write never keeps a writer of the INI file
// out.
TEST_F(IniFileTest, LockFileOfAnotherUserDoesNotStandInTheWay) {
    const QString file = Path();
    if (geteuid() != 0) {
        // Without a second user: a lock file no one may write.
        ASSERT_TRUE(WriteBytes(file + ".lock", {}));
        ASSERT_TRUE(QFile::setPermissions(file + ".lock", QFileDevice::ReadOwner));
        TIniFile(file).WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
        EXPECT_EQ(TIniFile(file).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "1");
        return;
    }
    const mode_t saved = ::umask(077);
    TIniFile(file).WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("root"));
    ::umask(saved);
    ASSERT_TRUE(QFile::setPermissions(FDir.path(), QFileDevice::Permissions(0x7777)));
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::Permissions(0x6666)));
    QObject owner;
    QProcess* other = StartHelperAsNobody({"ini-write", file, "N", "3"}, &owner);
    ASSERT_TRUE(other->waitForFinished(20000));
    EXPECT_EQ(other->exitCode(), 0) << other->readAllStandardError().toStdString();
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "root");
    EXPECT_EQ(ini.ReadString(QStringLiteral("N\\2"), QStringLiteral("k"), {}), "2");
}

// A write waits a bounded time for a lock held elsewhere, then fails naming
// the file, which stays as it was.
TEST_F(IniFileTest, LockHeldElsewhereFailsTheWriteAfterABoundedWait) {
    const QByteArray original = "[A]\r\nx=1\r\n";
    WriteBytes(Path(), original);
    QObject owner;
    QProcess* holder = StartHelper({"ini-hold", Path(), "30"}, &owner);
    ASSERT_TRUE(WaitForLine(holder, "LOCKED")) << holder->readAllStandardError().toStdString();
    QElapsedTimer clock;
    clock.start();
    try {
        TIniFile(Path()).WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2"));
        ADD_FAILURE() << "wrote while another process held the lock";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(),
                  Path() + QStringLiteral(" に書き込めません: ほかのプログラムが書き込み中です"));
    }
    EXPECT_GE(clock.elapsed(), kIniLockWaitMs - 100);
    EXPECT_LT(clock.elapsed(), kIniLockWaitMs + 3000);
    EXPECT_EQ(ReadBytes(Path()), original);
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "1");
    // Once the holder is gone the lock is free again, also of the wait that
    // was given up.
    holder->kill();
    holder->waitForFinished(10000);
    TIniFile(Path()).WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("3"));
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "3");
}

// A file with a UTF-16 byte-order mark is not ours to read or rewrite.
TEST_F(IniFileTest, Utf16FileReadsAsDefaultsAndIsNeverWritten) {
    const QString text = QStringLiteral("[A]\r\nx=1\r\n");
    const QByteArray files[] = {
        QByteArray("\xFF\xFE") +
            QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
        QByteArray("\xFE\xFF") + QByteArray("\0[\0A\0]\0\r\0\n\0x\0=\0001\0\r\0\n", 20),
    };
    for (const QByteArray& original : files) {
        WriteBytes(Path(), original);
        TIniFile ini(Path());
        EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("d")),
                  "d");
        EXPECT_TRUE(ini.ReadSections().isEmpty());
        try {
            ini.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2"));
            ADD_FAILURE() << "wrote into a UTF-16 file";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message(),
                      Path() + QStringLiteral(" に書き込めません: UTF-16 のファイルは扱えません"));
        }
        EXPECT_FALSE(ini.DeleteKey(QStringLiteral("A"), QStringLiteral("x")));
        TIniBatch batch(Path());
        EXPECT_THROW(
            batch.WriteString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("1")),
            EIniFileException);
        batch.Commit();
        EXPECT_EQ(ReadBytes(Path()), original);
    }
}

TEST_F(IniFileTest, BatchReplacesTheFileOnceAtCommit) {
    const QByteArray original = "; kept\r\n[A]\r\nx=1\r\n";
    WriteBytes(Path(), original);
    ASSERT_TRUE(QFile::link(Path(), Path("link.ini")));
    {
        TIniBatch batch(Path("link.ini"));
        batch.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2"));
        batch.WriteString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("3"));
        // Each write is still refused on its own.
        EXPECT_THROW(
            batch.WriteString(QStringLiteral("C"), QStringLiteral("z"), QStringLiteral("😀")),
            EIniFileException);
        EXPECT_TRUE(batch.DeleteKey(QStringLiteral("B"), QStringLiteral("y")));
        batch.WriteString(QStringLiteral("B"), QStringLiteral("w"), QStringLiteral("4"));
        // Read back through the batch, not yet on disk.
        EXPECT_EQ(batch.ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "2");
        EXPECT_EQ(ReadBytes(Path()), original);
        batch.Commit();
        EXPECT_THROW(
            batch.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("5")),
            EIniFileException);
    }
    EXPECT_EQ(ReadBytes(Path()), QByteArray("; kept\r\n[A]\r\nx=2\r\n[B]\r\nw=4\r\n"));
    EXPECT_TRUE(QFileInfo(Path("link.ini")).isSymLink());
    {
        TIniBatch dropped(Path());
        dropped.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("9"));
    }
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "2");
}

// A snapshot reads the file once; a write through it goes to the file, and
// the reads after it see the file as it is then.
TEST_F(IniFileTest, SnapshotServesReadsUntilAWrite) {
    WriteBytes(Path(), "[A]\r\nx=1\r\n");
    TIniSnapshot snapshot(Path());
    WriteBytes(Path(), "[A]\r\nx=2\r\n"); // another program meanwhile
    EXPECT_EQ(snapshot.ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "1");
    snapshot.WriteString(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("3"));
    EXPECT_EQ(snapshot.ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "2");
    EXPECT_EQ(snapshot.ReadString(QStringLiteral("A"), QStringLiteral("y"), {}), "3");
}

// Two programs writing their whole set at once: the file ends with one
// set or the other, never a mix. The slower writer starts first and the
// faster one overtakes it part way, which without the batch would leave the
// first items of one and the rest of the other.
TEST_F(IniFileTest, BatchesOfTwoProcessesNeverMix) {
    constexpr int kItems = 14;
    for (int round = 0; round < 3; ++round) {
        QObject owner;
        QProcess* slow =
            StartHelper({"ini-batch", Path(), "slow", QString::number(kItems), "50"}, &owner);
        ASSERT_TRUE(WaitForLine(slow, "WROTE 2")) << slow->readAllStandardError().toStdString();
        QProcess* fast =
            StartHelper({"ini-batch", Path(), "fast", QString::number(kItems), "0"}, &owner);
        ASSERT_TRUE(slow->waitForFinished(20000) && fast->waitForFinished(20000));
        ASSERT_EQ(slow->exitCode(), 0) << slow->readAllStandardError().toStdString();
        ASSERT_EQ(fast->exitCode(), 0) << fast->readAllStandardError().toStdString();
        const QString set = SetValue(Path(), kItems);
        EXPECT_TRUE(set == u"slow" || set == u"fast") << round << ": " << set.toStdString();
    }
}

// A writer killed in the middle of its set leaves the old set.
TEST_F(IniFileTest, WriterKilledInsideABatchLeavesTheOldSet) {
    constexpr int kItems = 14;
    WriteSet(Path(), QStringLiteral("old"), kItems);
    QObject owner;
    QProcess* writer =
        StartHelper({"ini-batch", Path(), "new", QString::number(kItems), "20"}, &owner);
    ASSERT_TRUE(WaitForLine(writer, "WROTE 7")) << writer->readAllStandardError().toStdString();
    EXPECT_TRUE(LockedElsewhere(Path() + ".lock"));
    writer->kill();
    writer->waitForFinished(10000);
    EXPECT_EQ(SetValue(Path(), kItems), "old");
}
