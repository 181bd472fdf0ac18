#include "Registry.h"
#include "StoreTestUtils.h"
#include "SysUtils.h"

#include "Unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        TRegIniFile::SetDatabasePath(Db());
    }
    void TearDown() override { TRegIniFile::SetDatabasePath({}); }
    QString Db(const QString& name = QStringLiteral("registry.sqlite3")) const {
        return FDir.filePath(name);
    }
    // The damaged databases moved aside (without their journals).
    QStringList Aside(const QString& name = QStringLiteral("registry.sqlite3")) const {
        QStringList files = QDir(FDir.path()).entryList({name + ".damaged-*"});
        files.removeIf([](const QString& f) { return f.endsWith("-wal") || f.endsWith("-shm"); });
        return files;
    }
    static QString Message(const std::function<void()>& fn) {
        try {
            fn();
        } catch (const ERegistryException& e) {
            return e.Message();
        }
        return QStringLiteral("<no error>");
    }

    QTemporaryDir FDir;
};

TEST_F(RegistryTest, ValuesPersistAndNamesIgnoreCase) {
    TRegIniFile(QStringLiteral("\\Software\\Example"))
        .WriteString(QStringLiteral("Form\\bgc"), QStringLiteral("string"),
                     QStringLiteral("ＭＳ 明朝"));
    TRegIniFile reg(QStringLiteral("software\\EXAMPLE"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("FORM\\BGC"), QStringLiteral("STRING"), {}),
              QStringLiteral("ＭＳ 明朝"));
    // A leading backslash makes the section absolute.
    EXPECT_EQ(reg.ReadString(QStringLiteral("\\Software\\Example\\Form\\bgc"),
                             QStringLiteral("string"), {}),
              QStringLiteral("ＭＳ 明朝"));
    reg.WriteString(QStringLiteral("Form\\bgc"), QStringLiteral("STRING"),
                    QStringLiteral("#000000"));
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\Example"))
                  .ReadString(QStringLiteral("Form\\bgc"), QStringLiteral("string"), {}),
              QStringLiteral("#000000"));
}

TEST_F(RegistryTest, ReadOfAMissingKeyGivesTheDefaultWithoutCreatingIt) {
    TRegIniFile reg(QStringLiteral("Software\\Example"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Form\\Tad"), QStringLiteral("string"),
                             QStringLiteral("Tips")),
              QStringLiteral("Tips"));
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Form\\Tad")));
    EXPECT_TRUE(TRegIniFile(QString()).OpenKey(QStringLiteral("Software\\Example")));
    reg.CreateKey(QStringLiteral("Form\\Tad"));
    EXPECT_TRUE(reg.OpenKey(QStringLiteral("Form\\Tad")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Form\\Tad"), QStringLiteral("string"),
                             QStringLiteral("Tips")),
              QStringLiteral("Tips"));
}

TEST_F(RegistryTest, DeleteRemovesOnlyThatValue) {
    TRegIniFile reg(QStringLiteral("Software\\Example"));
    reg.WriteString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1"));
    reg.WriteString(QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("2"));
    reg.DeleteKey(QStringLiteral("s"), QStringLiteral("A"));
    reg.DeleteKey(QStringLiteral("Missing"), QStringLiteral("a"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("-")), "-");
    EXPECT_EQ(reg.ReadString(QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("-")), "2");
}

TEST_F(RegistryTest, DataTypesAreKeptAndCheckedOnRead) {
    TRegIniFile reg(QStringLiteral("Software\\Example"));
    reg.CreateKey(QStringLiteral("T"));
    const TRegKey key = *reg.OpenKey(QStringLiteral("T"));
    reg.WriteInteger(key, QStringLiteral("Number"), -2);
    reg.WriteExpandString(key, QStringLiteral("Path"), QStringLiteral("%HOME%\\x"));
    const QByteArray bytes("\x00\x01\xFF\x00", 4);
    reg.WriteBinaryData(key, QStringLiteral("Blob"), bytes);
    reg.WriteString(QStringLiteral("T"), QStringLiteral("Text"), QStringLiteral("ab"));

    EXPECT_EQ(Message([&] { reg.ReadString(QStringLiteral("T"), QStringLiteral("Number"), {}); }),
              QStringLiteral("'Number' のデータ型が不正です"));
    EXPECT_EQ(reg.ReadInteger(key, QStringLiteral("number")), -2);
    EXPECT_EQ(reg.ReadString(QStringLiteral("T"), QStringLiteral("Path"), {}),
              QStringLiteral("%HOME%\\x"));
    EXPECT_EQ(reg.ReadBinaryData(key, QStringLiteral("Blob")), bytes);
    EXPECT_EQ(Message([&] { reg.ReadBinaryData(key, QStringLiteral("Text")); }),
              QStringLiteral("'Text' のデータ型が不正です"));
    EXPECT_EQ(Message([&] { reg.ReadString(QStringLiteral("T"), QStringLiteral("Blob"), {}); }),
              QStringLiteral("'Blob' のデータ型が不正です"));

    const auto info = reg.GetDataInfo(key, QStringLiteral("Text"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->RegData, rdString);
    EXPECT_EQ(info->DataSize, 3); // with its terminating NUL
    EXPECT_EQ(reg.GetDataInfo(key, QStringLiteral("Blob"))->RegData, rdBinary);
    EXPECT_FALSE(reg.GetDataInfo(key, QStringLiteral("None")));
    // A string ends at its first NUL.
    reg.WriteBinaryData(key, QStringLiteral("Cut"), QByteArray("ab\0cd", 5));
    reg.WriteString(QStringLiteral("T"), QStringLiteral("Cut"), QString::fromUtf8("ab\0cd", 5));
    EXPECT_EQ(reg.ReadString(QStringLiteral("T"), QStringLiteral("Cut"), {}), "ab");
}

TEST_F(RegistryTest, DamagedDatabaseIsMovedAsideAndReported) {
    const QByteArray junk = QByteArray("this is not a database").repeated(300);
    WriteBytes(Db(), junk);
    const QString message = Message([] { TRegIniFile reg(QStringLiteral("Software\\Example")); });
    EXPECT_TRUE(message.contains(QStringLiteral("壊れていたため"))) << message.toStdString();
    const QStringList aside = Aside();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadBytes(FDir.filePath(aside[0])), junk);
    // The next accessor starts afresh.
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\Example"))
                  .ReadString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("-")),
              "-");

    // A database cut short fails the integrity check rather than the open.
    {
        TRegIniFile big(QStringLiteral("Software\\Big"));
        for (int i = 0; i < 200; ++i)
            big.WriteString(QStringLiteral("S%1").arg(i), QStringLiteral("v"), QString(200, u'x'));
    }
    const QByteArray whole = ReadBytes(Db());
    ASSERT_GT(whole.size(), 3 * 4096);
    WriteBytes(Db("cut.sqlite3"), whole.left(whole.size() / 2));
    TRegIniFile::SetDatabasePath(Db("cut.sqlite3"));
    EXPECT_TRUE(Message([] {
                    TRegIniFile reg(QStringLiteral("Software\\Big"));
                }).contains(QStringLiteral("壊れていたため")));
    EXPECT_EQ(Aside(QStringLiteral("cut.sqlite3")).size(), 1);
}

TEST_F(RegistryTest, DatabaseLivesUnderTheXdgConfigFolder) {
    TRegIniFile::SetDatabasePath({});
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", FDir.path().toUtf8());
    EXPECT_EQ(TRegIniFile::DatabasePath(), FDir.filePath("vexla/registry.sqlite3"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(TRegIniFile::DatabasePath(), QDir::homePath() + "/.config/vexla/registry.sqlite3");
    if (!saved.isNull())
        qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceNeitherFailNorLoseValues) {
    constexpr int kEach = 150;
    QObject owner;
    QProcess* a = StartHelper({"reg-write", Db(), "a", QString::number(kEach)}, &owner);
    QProcess* b = StartHelper({"reg-write", Db(), "b", QString::number(kEach)}, &owner);
    ASSERT_TRUE(a->waitForFinished(50000) && b->waitForFinished(50000));
    ASSERT_EQ(a->exitCode(), 0) << a->readAllStandardError().toStdString();
    ASSERT_EQ(b->exitCode(), 0) << b->readAllStandardError().toStdString();
    TRegIniFile reg(QStringLiteral("Software\\Vexla"));
    for (int i = 0; i < kEach; ++i)
        for (const char* prefix : {"a", "b"})
            EXPECT_EQ(reg.ReadString("Test", prefix + QString::number(i), {}), QString::number(i));
}

// Processes that meet one damaged database together: one moves it aside
// and reports it, the others go on with the fresh database, and no fresh
// database (with another process's values) is moved aside.
TEST_F(RegistryTest, DamagedDatabaseMetBySeveralProcessesIsMovedAsideOnce) {
    constexpr int kProcesses = 6;
    // A large database with a damaged page in the middle: the check that
    // finds it takes a while, so the processes' checks overlap.
    TRegIniFile::SetDatabasePath(Db("big.sqlite3"));
    {
        TRegIniFile big(QStringLiteral("Software\\Big"));
        for (int i = 0; i < 400; ++i)
            big.WriteString(QStringLiteral("S%1").arg(i), QStringLiteral("v"), QString(2000, u'x'));
    }
    TRegIniFile::SetDatabasePath(Db());
    QByteArray damaged = ReadBytes(Db("big.sqlite3"));
    ASSERT_GT(damaged.size(), 200 * 4096);
    damaged.replace(damaged.size() / 2 / 4096 * 4096, 4096, QByteArray(4096, '\xFF'));
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(WriteBytes(Db(), damaged));
        QObject owner;
        QList<QProcess*> helpers;
        for (int p = 0; p < kProcesses; ++p)
            helpers << StartHelper(
                {"reg-damaged", Db(), QStringLiteral("r%1p%2").arg(round).arg(p)}, &owner);
        QByteArray reports;
        for (QProcess* h : helpers) {
            ASSERT_TRUE(h->waitForFinished(30000));
            EXPECT_EQ(h->exitCode(), 0) << h->readAllStandardError().toStdString();
            reports += h->readAllStandardOutput();
        }
        EXPECT_EQ(reports.count("REPORTED"), 1) << round << "\n" << reports.toStdString();
        const QStringList aside = Aside();
        ASSERT_EQ(aside.size(), 1);
        for (const QString& f : aside)
            EXPECT_EQ(ReadBytes(FDir.filePath(f)), damaged);
        TRegIniFile reg(QStringLiteral("Software\\Vexla"));
        for (int p = 0; p < kProcesses; ++p)
            EXPECT_EQ(reg.ReadString(QStringLiteral("Test"),
                                     QStringLiteral("r%1p%2").arg(round).arg(p), {}),
                      "1");
        // Every process has seen the damage; the next round's checks a new file.
        QFile::remove(Db());
        QFile::remove(Db() + "-wal");
        QFile::remove(Db() + "-shm");
        for (const QString& f : aside)
            QFile::rename(FDir.filePath(f),
                          FDir.filePath(QStringLiteral("old-%1-").arg(round) + f));
    }
}

// A database nobody may write (its folder read-only) is still read; a
// missing one reads as empty and is not made by a read; a write fails with
// a message naming the database.
TEST_F(RegistryTest, ReadOnlyFolderStillReads) {
    if (!RunUnprivileged())
        return;
    const QString folder = FDir.filePath("ro");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString db = folder + "/registry.sqlite3";
    TRegIniFile::SetDatabasePath(db);
    TRegIniFile(QStringLiteral("Software\\Example"))
        .WriteString(QStringLiteral("Form\\bgc"), QStringLiteral("string"), QStringLiteral("Aqua"));
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::Permissions(0x5555)));
    TRegIniFile reg(QStringLiteral("Software\\Example"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Form\\bgc"), QStringLiteral("string"), {}), "Aqua");
    EXPECT_EQ(reg.ReadString(QStringLiteral("Form\\Tad"), QStringLiteral("string"),
                             QStringLiteral("Tips")),
              "Tips");
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\Other"))
                  .ReadString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("-")),
              "-");
    const QString message = Message([&] {
        reg.WriteString(QStringLiteral("Form\\bgc"), QStringLiteral("string"),
                        QStringLiteral("Red"));
    });
    EXPECT_TRUE(message.contains(db)) << message.toStdString();
    EXPECT_EQ(reg.ReadString(QStringLiteral("Form\\bgc"), QStringLiteral("string"), {}), "Aqua");

    TRegIniFile::SetDatabasePath(folder + "/missing.sqlite3");
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\Example"))
                  .ReadString(QStringLiteral("Form\\bgc"), QStringLiteral("string"),
                              QStringLiteral("def")),
              "def");
    EXPECT_FALSE(QFileInfo::exists(folder + "/missing.sqlite3"));
    QFile::setPermissions(folder, QFileDevice::Permissions(0x7700));
}

// While another process holds the write lock, reads go on without waiting.
TEST_F(RegistryTest, ReadsNeverWaitForAnotherWriter) {
    TRegIniFile(QStringLiteral("Software\\Example"))
        .WriteString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("committed"));
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(Db()).constData(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; UPDATE reg_values SET data = x'00'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\Example"))
                  .ReadString(QStringLiteral("S"), QStringLiteral("v"), {}),
              "committed");
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\Missing"))
                  .ReadString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("-")),
              "-");
    EXPECT_LT(clock.elapsed(), 2000);
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
}

} // namespace
