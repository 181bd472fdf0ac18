#include "IniFile.h"
#include "Cp932.h"
#include "StoreTestUtils.h"
#include "SysUtils.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

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

TEST_F(IniFileTest, AwkwardValuesReadBackAsWritten) {
    const QStringList values = {
        QString(),
        QStringLiteral("  lead"),
        QStringLiteral("trail  "),
        QStringLiteral("\"quoted\""),
        QStringLiteral("'single'"),
        QStringLiteral("\""),
        QStringLiteral("\"half"),
        QStringLiteral("a=b=c"),
        QStringLiteral(";not a comment"),
        QStringLiteral("[x]"),
        QStringLiteral("\t tab "),
        QStringLiteral("ＭＳ 明朝"),
        QStringLiteral("ソ表能\\"),
        QStringLiteral("\"\""),
        QStringLiteral("C:\\a b\\"),
    };
    TIniFile ini(Path());
    for (int i = 0; i < values.size(); ++i)
        ini.WriteString(QStringLiteral("Form\\bgc"), QStringLiteral("k%1").arg(i), values[i]);
    const TIniFile again(Path());
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(again.ReadString(QStringLiteral("Form\\bgc"), QStringLiteral("k%1").arg(i),
                                   QStringLiteral("<none>")),
                  values[i])
            << i;
}

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
    const TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral(" form\\bgc "), QStringLiteral("STRING"), {}),
              QStringLiteral("#fff8dc"));
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x41"), QStringLiteral("k"), QStringLiteral("-")), "a");
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x61"), QStringLiteral("k"), QStringLiteral("-")), "-");
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x5D"), QStringLiteral("k"), QStringLiteral("-")), "b");
    EXPECT_EQ(ini.ReadString(Sjis("\x83\x5B"), QStringLiteral("k"), QStringLiteral("-")), "c");
    EXPECT_EQ(ini.ReadSections().size(), 4);
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

TEST_F(IniFileTest, ReadsAreCutAt2047Characters) {
    TIniFile ini(Path());
    const QString value(100000, u'v');
    ini.WriteString(QStringLiteral("L"), QStringLiteral("v"), value);
    EXPECT_EQ(ini.ReadString(QStringLiteral("L"), QStringLiteral("v"), {}), value.left(2047));
    WriteBytes(Path(), "[L]\r\nw=" + QByteArray("\x8a\xbf").repeated(3000) + "\r\n"); // 漢 x 3000
    EXPECT_EQ(ini.ReadString(QStringLiteral("L"), QStringLiteral("w"), {}),
              QString(2047, QChar(u'漢')));
}

TEST_F(IniFileTest, InputThatCannotReadBackIsRefusedAndNothingIsWritten) {
    const QByteArray original = "[A]\r\nx=1\r\n";
    WriteBytes(Path(), original);
    TIniFile ini(Path());
    const struct {
        const char* section;
        const char* ident;
        const char* value;
    } refused[] = {
        {"A", "x", "two\nlines"}, {"A", "x", "cr\r"}, {"A\nB", "x", "1"},
        {"A", "x\r", "1"},        {"A]B", "x", "1"},  {"A", "x=y", "1"},
        {"A", " ;x", "1"},        {"A", "[x", "1"},   {"A", "  ", "1"},
    };
    for (const auto& r : refused) {
        try {
            ini.WriteString(QString::fromUtf8(r.section), QString::fromUtf8(r.ident),
                            QString::fromUtf8(r.value));
            ADD_FAILURE() << "accepted " << r.section << "/" << r.ident;
        } catch (const EIniFileException& e) {
            EXPECT_TRUE(e.Message().startsWith(Path() + QStringLiteral(" に書き込めません: ")))
                << e.Message().toStdString();
        }
    }
    // Characters CP932 cannot hold, in any of the three.
    EXPECT_THROW(ini.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("😀")),
                 EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("😀"), QStringLiteral("x"), QStringLiteral("1")),
                 EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("A"), QStringLiteral("😀"), QStringLiteral("1")),
                 EIniFileException);
    EXPECT_EQ(ReadBytes(Path()), original);
    EXPECT_THROW(TIniFile(Path("new.ini")).WriteString("A", "x", "a\nb"), EIniFileException);
    EXPECT_FALSE(QFileInfo::exists(Path("new.ini")));
}

TEST_F(IniFileTest, DamagedFilesReadSafelyAndSurviveARewrite) {
    const QByteArray damaged[] = {
        "x=1\r\ny=2\r\n",                               // no section
        "\xEF\xBB\xBF[A]\r\nx=1\r\n",                   // UTF-8 signature
        QByteArray("[A]\r\nx=a\0b\r\n\0[B\0]\r\n", 20), // NUL bytes
        "[unterminated\r\nx=1\r\n[A\r\n",               // no closing bracket
        QByteArray(4000, '\x81'),                       // lone lead bytes
        "[A]\r\n" + QByteArray(100000, 'z'),            // a 100,000-character line, no line break
    };
    for (const QByteArray& original : damaged) {
        WriteBytes(Path(), original);
        TIniFile ini(Path());
        (void)ini.ReadSections();
        (void)ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), {});
        ini.WriteString(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("1"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("new"), {}), "1");
        const QList<QByteArray> before = TIniDocument(original).Lines();
        const QList<QByteArray> after = TIniDocument(ReadBytes(Path())).Lines();
        for (const QByteArray& line : before)
            EXPECT_TRUE(after.contains(line))
                << "lost a line of " << original.left(20).toHex().data();
    }
    WriteBytes(Path(), "\xEF\xBB\xBF[A]\r\nx=1\r\n");
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}), "1");
    WriteBytes(Path(), QByteArray("[A]\r\nx=a\0b\r\n", 12));
    EXPECT_EQ(TIniFile(Path()).ReadString(QStringLiteral("A"), QStringLiteral("x"), {}),
              QString::fromUtf8("a\0b", 3));
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndDirectoryTargetFailsCleanly) {
    const TIniFile missing(Path("missing.ini"));
    EXPECT_EQ(missing.ReadString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("d")),
              "d");
    EXPECT_TRUE(missing.ReadSections().isEmpty());
    ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("folder.ini")));
    TIniFile folder(Path("folder.ini"));
    try {
        folder.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
        ADD_FAILURE() << "wrote over a folder";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), Path("folder.ini") + QStringLiteral(" に書き込めません"));
    }
    EXPECT_FALSE(folder.DeleteKey(QStringLiteral("A"), QStringLiteral("x"))); // ignored, no throw
    EXPECT_THROW(TIniFile(QString()).WriteString("A", "x", "1"), EIniFileException);
}

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
    const TIniFile ini(Path());
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
    const TIniFile ini(Path());
    const int n = int(ini.ReadSections().size());
    EXPECT_GE(n, 1);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(ini.ReadString(QStringLiteral("W\\%1").arg(i), "k", {}), QString::number(i));
    EXPECT_EQ(bytes.count("\r\n"), 2 * n);
}

} // namespace
