#include "TextFile.h"
#include "Cp932.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "Unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Name(const QString& path) {
    return QFile::encodeName(path);
}

struct stat Stat(const QString& path) {
    struct stat st {};
    stat(Name(path).constData(), &st);
    return st;
}

struct stat LinkStat(const QString& path) {
    struct stat st {};
    lstat(Name(path).constData(), &st);
    return st;
}

// Entries of a folder other than "." and "..", hidden ones included.
QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The message of the save error, or empty when the save went through.
QString SaveError(const QString& path, const QString& text) {
    try {
        WriteTextFile(path, text);
    } catch (const EFCreateError& e) {
        return e.Message();
    }
    return {};
}

void SaveBytes(const QString& path, const QByteArray& bytes) {
    WriteFileContent(path, [&](const TByteSink& sink) { sink(bytes); });
}

QString CreateMessage(const QString& path, const QString& reason) {
    return QStringLiteral("ファイル %1 を作成できません (%2)").arg(path, reason);
}

} // namespace

TEST(TextFiles, LoadingThenSavingKeepsEveryByteButLineBreaks) {
    QTemporaryDir dir;
    struct Case {
        QByteArray in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\nb", "a\r\nb"},
        {"a\rb\r", "a\r\nb\r\n"},
        {QByteArray("x\0\0y\x81", 5), QByteArray("x\0\0y\x81", 5)},
        {"\x82\xa0\x80\xff\r\n\x85\x40\x81\x20", "\x82\xa0\x80\xff\r\n\x85\x40\x81\x20"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath("t.txt");
        WriteBytes(path, c.in);
        WriteTextFile(path, ReadTextFile(path));
        EXPECT_EQ(ReadBytes(path), c.out) << c.in.toHex().constData();
    }
}

TEST(TextFiles, OnlyRegularFilesAreOpened) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(Name(fifo).constData(), 0600), 0);
    EXPECT_THROW(ReadTextFile(fifo), EFileRefused); // must not block
    EXPECT_THROW(ReadTextFile(dir.path()), EFileRefused);
    try {
        ReadTextFile(dir.filePath("none"));
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ファイル %1 は開けません (%2)")
                                   .arg(dir.filePath("none"), SystemErrorText(ENOENT)));
    }
}

TEST(TextFileSave, NonRegularTargetsAreRefusedAndLeftAsTheyWere) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("page.htm");
    ASSERT_EQ(mkfifo(Name(fifo).constData(), 0600), 0);
    const QString toFifo = dir.filePath("link.htm");
    const QString toNull = dir.filePath("null.htm");
    ASSERT_EQ(symlink(Name(fifo).constData(), Name(toFifo).constData()), 0);
    ASSERT_EQ(symlink("/dev/null", Name(toNull).constData()), 0);
    const QString notRegular = QStringLiteral("通常のファイルではありません");

    // A FIFO would block or feed a reader; a device would take the text.
    EXPECT_EQ(SaveError(fifo, "x"), CreateMessage(fifo, notRegular));
    EXPECT_EQ(SaveError(toFifo, "x"), CreateMessage(toFifo, notRegular));
    EXPECT_EQ(SaveError(toNull, "x"), CreateMessage(toNull, notRegular));
    EXPECT_EQ(SaveError("/dev/null", "x"), CreateMessage("/dev/null", notRegular));
    EXPECT_EQ(SaveError(dir.path(), "x"), CreateMessage(dir.path(), SystemErrorText(EISDIR)));
    EXPECT_TRUE(S_ISFIFO(Stat(fifo).st_mode));
    EXPECT_TRUE(S_ISLNK(LinkStat(toFifo).st_mode));
    EXPECT_TRUE(S_ISLNK(LinkStat(toNull).st_mode));
    EXPECT_TRUE(S_ISCHR(Stat("/dev/null").st_mode));
    EXPECT_EQ(Entries(dir.path()), QStringList({"link.htm", "null.htm", "page.htm"}));
}

TEST(TextFileSave, LinksKeepTheirTargetAndNames) {
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteBytes(page, "old");
    ASSERT_EQ(chmod(Name(page).constData(), 0640), 0);
    ASSERT_EQ(symlink("page.htm", Name(dir.filePath("rel.htm")).constData()), 0);
    ASSERT_EQ(link(Name(page).constData(), Name(dir.filePath("hard.htm")).constData()), 0);
    const ino_t inode = Stat(page).st_ino;

    // Through a relative symbolic link: the target is rewritten, the link stays.
    WriteTextFile(dir.filePath("rel.htm"), QStringLiteral("新\n"));
    EXPECT_TRUE(S_ISLNK(LinkStat(dir.filePath("rel.htm")).st_mode));
    EXPECT_EQ(ReadBytes(page), "\x90\x56\r\n");
    // Two names: written in place, so both names see the new text.
    EXPECT_EQ(ReadBytes(dir.filePath("hard.htm")), "\x90\x56\r\n");
    EXPECT_EQ(Stat(page).st_ino, inode);
    EXPECT_EQ(Stat(page).st_nlink, nlink_t(2));

    // One name: replaced, with its mode.
    ASSERT_EQ(unlink(Name(dir.filePath("hard.htm")).constData()), 0);
    WriteTextFile(page, QStringLiteral("short"));
    EXPECT_EQ(ReadBytes(page), "short");
    EXPECT_EQ(Stat(page).st_mode & 07777, mode_t(0640));
    EXPECT_EQ(Entries(dir.path()), QStringList({"page.htm", "rel.htm"}));

    // A new file gets the usual mode for new files.
    const mode_t mask = umask(022);
    WriteTextFile(dir.filePath("new.htm"), QStringLiteral("x"));
    umask(mask);
    EXPECT_EQ(Stat(dir.filePath("new.htm")).st_mode & 07777, mode_t(0644));
}

TEST(TextFileSave, RootKeepsTheOwnerAndModeOfWhatItSaves) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteBytes(page, "old");
    ASSERT_EQ(chown(Name(page).constData(), 65534, 65534), 0);
    ASSERT_EQ(chmod(Name(page).constData(), 0444), 0);
    WriteTextFile(page, QStringLiteral("new"));
    EXPECT_EQ(ReadBytes(page), "new");
    const struct stat st = Stat(page);
    EXPECT_EQ(st.st_uid, uid_t(65534));
    EXPECT_EQ(st.st_gid, gid_t(65534));
    EXPECT_EQ(st.st_mode & 07777, mode_t(0444));
    EXPECT_EQ(Entries(dir.path()), QStringList({"page.htm"}));
}

TEST(TextFileSave, PermissionsDecideAndFailuresSayWhy) {
    if (!RunUnprivileged())
        return;
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteBytes(page, "old");
    const QString denied = SystemErrorText(EACCES);

    ASSERT_EQ(chmod(Name(page).constData(), 0444), 0);
    EXPECT_EQ(SaveError(page, "new"), CreateMessage(page, denied));
    EXPECT_EQ(ReadBytes(page), "old");
    ASSERT_EQ(chmod(Name(page).constData(), 0644), 0);

    // A writable file in a folder the user cannot write to: written in place,
    // its backup kept in the user's folder meanwhile.
    const ino_t inode = Stat(page).st_ino;
    ASSERT_EQ(chmod(Name(dir.path()).constData(), 0555), 0);
    EXPECT_EQ(SaveError(page, "new"), "");
    EXPECT_EQ(ReadBytes(page), "new");
    EXPECT_EQ(Stat(page).st_ino, inode);
    EXPECT_EQ(Entries(ConfigFolder() + "/backup"), QStringList());
    EXPECT_EQ(SaveError(dir.filePath("other.htm"), "x"),
              CreateMessage(dir.filePath("other.htm"), denied));
    ASSERT_EQ(chmod(Name(dir.path()).constData(), 0755), 0);
    EXPECT_EQ(Entries(dir.path()), QStringList({"page.htm"}));

    EXPECT_EQ(SaveError(dir.filePath("missing/page.htm"), "x"),
              CreateMessage(dir.filePath("missing/page.htm"), SystemErrorText(ENOENT)));
    EXPECT_THROW(WriteTextFile(page, QStringLiteral("new é")), EEncodingError);
    EXPECT_EQ(ReadBytes(page), "new");

    // Written in place, a page the user cannot read cannot be backed up first:
    // refused, and the backup an earlier killed save left stays.
    ASSERT_EQ(link(Name(page).constData(), Name(dir.filePath("hard.htm")).constData()), 0);
    WriteBytes(dir.filePath(".page.htm.vexla~"), "older");
    ASSERT_EQ(chmod(Name(page).constData(), 0200), 0);
    EXPECT_EQ(SaveError(page, "newer"), CreateMessage(page, denied));
    ASSERT_EQ(chmod(Name(page).constData(), 0644), 0);
    EXPECT_EQ(ReadBytes(page), "new");
    EXPECT_EQ(ReadBytes(dir.filePath(".page.htm.vexla~")), "older");
}

TEST(TextFileSave, AFullDiskLeavesTheOldFileAndNoTemporary) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    QTemporaryDir dir;
    if (mount("tmpfs", Name(dir.path()).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    const QString page = dir.filePath("page.htm");
    WriteBytes(page, "old");
    ASSERT_EQ(link(Name(page).constData(), Name(dir.filePath("hard.htm")).constData()), 0);
    WriteBytes(dir.filePath("filler"), QByteArray(128 * 1024, 'x')); // fills what is left
    const QString text(40 * 1024, u'あ');
    const QString full = CreateMessage(page, SystemErrorText(ENOSPC));

    EXPECT_EQ(SaveError(page, text), full); // two names: in place, space reserved first
    EXPECT_EQ(ReadBytes(page), "old");
    ASSERT_EQ(unlink(Name(dir.filePath("hard.htm")).constData()), 0);
    EXPECT_EQ(SaveError(page, text), full); // one name: through a replacement
    EXPECT_EQ(ReadBytes(page), "old");
    EXPECT_EQ(Entries(dir.path()), QStringList({"filler", "page.htm"}));
    umount2(Name(dir.path()).constData(), MNT_DETACH);
}

// The test process re-runs itself as a saver that writes a large text over
// and over; it is killed while a save is being written, several times.
TEST(TextFileSave, AKilledSaveLeavesTheOldOrTheNewFileAndNoTemporary) {
    const QString text = QString(3 * 1024 * 1024, u'字') + u'\n';
    if (const QByteArray target = qgetenv("VEXLA_SAVE_LOOP"); !target.isEmpty()) {
        for (;;)
            WriteTextFile(QFile::decodeName(target), text);
    }
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteBytes(page, "old");
    const QByteArray fresh = Cp932::Encode(text.chopped(1)) + "\r\n";
    for (int round = 0; round < 3; ++round) {
        QProcess saver;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VEXLA_SAVE_LOOP", page);
        saver.setProcessEnvironment(env);
        saver.start(
            QCoreApplication::applicationFilePath(),
            {"--gtest_filter=TextFileSave.AKilledSaveLeavesTheOldOrTheNewFileAndNoTemporary"});
        ASSERT_TRUE(saver.waitForStarted());
        const QString fds = QStringLiteral("/proc/%1/fd").arg(saver.processId());
        // A descriptor open on a file in the folder other than the page
        // itself: the replacement being written.
        const auto writing = [&] {
            for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
                const QString target = QFile::symLinkTarget(fds + u'/' + fd);
                if (target.startsWith(dir.path() + u'/') && target != page)
                    return true;
            }
            return false;
        };
        ASSERT_TRUE(QTest::qWaitFor(writing, 20000));
        kill(pid_t(saver.processId()), SIGKILL);
        saver.waitForFinished();
        EXPECT_EQ(Entries(dir.path()), QStringList({"page.htm"}));
        const QByteArray now = ReadBytes(page);
        EXPECT_TRUE(now == "old" || now == fresh) << now.size();
    }
}

// A save killed between naming its new file and renaming it leaves that name;
// the next save into the folder removes it, but never one a live save holds.
TEST(TextFileSave, TemporariesOfKilledSavesGoWithTheNextSave) {
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    WriteBytes(page, "old");
    WriteBytes(dir.filePath(".page.htm.dead.vexla-new"), "left by a kill");
    WriteBytes(dir.filePath(".other.htm.live.vexla-new"), "about to be renamed");
    WriteBytes(dir.filePath(".notes.tmp"), "someone else's");
    QFile live(dir.filePath(".other.htm.live.vexla-new"));
    ASSERT_TRUE(live.open(QIODevice::ReadOnly));
    ASSERT_EQ(flock(live.handle(), LOCK_EX), 0);
    WriteTextFile(page, u"new");
    EXPECT_EQ(Entries(dir.path()),
              QStringList({".notes.tmp", ".other.htm.live.vexla-new", "page.htm"}));
}

// A page with two names is written in place by forked savers, killed at
// random moments of that save. Each kill leaves the old page, the new one, or
// the old one whole in the backup. Every other round starts with the backup
// of an earlier killed save, which must stay until a save succeeds.
TEST(TextFileSave, AKilledInPlaceSaveLeavesTheOldPageWholeInTheBackup) {
    const QByteArray oldBytes(3 << 19, 'o'), newBytes((4 << 19) + 1, 'n');
    QTemporaryDir dir;
    const QString page = dir.filePath("page.htm");
    const QString backup = dir.filePath(".page.htm.vexla~");
    const QString second = dir.filePath(".page.htm.vexla1~");
    WriteBytes(page, oldBytes);
    ASSERT_EQ(link(Name(page).constData(), Name(dir.filePath("hard.htm")).constData()), 0);
    // The kills are spread over the time one such save takes here.
    QElapsedTimer clock;
    clock.start();
    SaveBytes(page, newBytes);
    const auto window = quint32(std::max<qint64>(clock.nsecsElapsed() / 1000 * 3 / 2, 2000));
    ASSERT_FALSE(QFile::exists(backup));

    int kept = 0;
    for (int round = 0; round < 100; ++round) {
        const bool leftover = round % 2 == 1;
        WriteBytes(page, oldBytes); // in place: both names see it
        if (leftover)
            WriteBytes(backup, "older");
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        const pid_t saver = fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            close(go[0]);
            close(go[1]); // the parent reads end of file: the save begins
            for (;;)
                SaveBytes(page, newBytes);
        }
        close(go[1]);
        char byte;
        ASSERT_EQ(read(go[0], &byte, 1), 0);
        close(go[0]);
        usleep(QRandomGenerator::global()->bounded(window));
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);

        const QByteArray now = ReadBytes(page);
        const QString ours = leftover ? second : backup;
        if (now != newBytes) {
            EXPECT_TRUE(now == oldBytes || ReadBytes(ours) == oldBytes) << round;
            if (leftover) {
                EXPECT_EQ(ReadBytes(backup), "older") << round;
            }
        }
        kept += QFile::exists(ours);
        for (const QString& name : Entries(dir.path()))
            EXPECT_TRUE(
                QStringList({"page.htm", "hard.htm", ".page.htm.vexla~", ".page.htm.vexla1~"})
                    .contains(name))
                << name.toStdString();
        QFile::remove(backup);
        QFile::remove(second);
    }
    RecordProperty("kills_that_left_a_backup", kept);
    // A save that succeeds removes every backup.
    WriteBytes(backup, "older");
    WriteBytes(second, "old");
    SaveBytes(page, "new");
    EXPECT_EQ(Entries(dir.path()), QStringList({"hard.htm", "page.htm"}));
}
