#include "CliTestUtils.h"
#include "IniFile.h"
#include "NonRegularFiles.h"
#include "PathNames.h"
#include "RowName.h"
#include "StoredSettings.h"
#include "Unprivileged.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class BatchTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QString Input(const QString& name, const QByteArray& bytes) const {
        EXPECT_TRUE(WriteBytes(Path(name), bytes));
        return Path(name);
    }
    // A settings file as the window writes it.
    QString Settings(const QList<std::pair<QString, QString>>& values) const {
        const QString ini = Path("settings.ini");
        TIniFile file(ini);
        for (const auto& [name, value] : values) {
            const TStoredSetting* s = FindStoredSetting(name);
            file.WriteString(QString::fromLatin1(s->Section), QString::fromLatin1(s->Ident), value);
        }
        return ini;
    }

    QTemporaryDir Dir;
};

QString Decoded(const QByteArray& bytes) {
    return Cp932::Decode(bytes);
}

} // namespace

TEST_F(BatchTest, SettingsAreReadAsTheWindowReadsThem) {
    // Nothing stored: the built-in defaults, the Html box not ticked.
    TStoredValues stored = ReadStoredSettingsFile(Path("missing.ini"));
    EXPECT_EQ(stored.Page.Tht, "Tips");
    EXPECT_EQ(stored.Page.Mfn, MinchoFace());
    EXPECT_FALSE(stored.Html);
    EXPECT_EQ(stored.Page.LinkExt, "htm");

    // A stored empty value is kept; what is absent keeps its default.
    const QString ini = Settings({{"Tad", ""}, {"Tht", "題名"}, {"CheckBox1Checked", "1"}});
    const QByteArray before = ReadBytes(ini);
    const QStringList entries = Entries(Dir.path());
    stored = ReadStoredSettingsFile(ini);
    EXPECT_EQ(stored.Page.Tad, "");
    EXPECT_EQ(stored.Page.Tht, "題名");
    EXPECT_EQ(stored.Page.bgc, "#fff8dc");
    EXPECT_TRUE(stored.Html);
    EXPECT_EQ(stored.Page.LinkExt, "html");
    // Reading never writes: the file and its folder are as they were.
    EXPECT_EQ(ReadBytes(ini), before);
    EXPECT_EQ(Entries(Dir.path()), entries);

    // Check box values under the manager's rule: an integer's low byte.
    Settings({{"CheckBox1Checked", "257"}});
    EXPECT_TRUE(ReadStoredSettingsFile(ini).Html);
    Settings({{"CheckBox1Checked", "True"}});
    EXPECT_FALSE(ReadStoredSettingsFile(ini).Html);
}

// A settings file that is not a regular file is never opened (a FIFO would
// keep the run from ending): beside the program it reads as the defaults,
// and named with --settings it is refused as what it is.
class NonRegularSettingsFile : public BatchTest,
                               public ::testing::WithParamInterface<TNonRegularFile> {};

TEST_P(NonRegularSettingsFile, IsNeverOpened) {
    QDir().mkpath(Path("bin"));
    const QString ini = MakeNonRegularFile(GetParam(), Path("bin"));
    const QString in = Input("a.txt", "x");
    EXPECT_EQ(RunCli({"--convert", in}, Path("bin/vexla")).Status, esSuccess);
    EXPECT_TRUE(Decoded(ReadBytes(Path("a.htm"))).contains("<TITLE>Tips</TITLE>"));

    const CliRun run = RunCli({"--convert", "--settings", ini, in});
    EXPECT_EQ(run.Status, esUsage);
    EXPECT_TRUE(
        run.Err.contains(QStringLiteral("設定ファイル %1 は通常のファイルではありません").arg(ini)))
        << run.Err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, NonRegularSettingsFile, ::testing::ValuesIn(kNonRegularFiles),
                         TRowName());

TEST_F(BatchTest, UsageErrorsExitTwoWithoutTouchingAnything) {
    const QString in = Input("a.txt", "text");
    const struct {
        QStringList Args;
        const char* Says;
    } cases[] = {
        {{"--convert"}, "変換するファイルがありません"},
        {{"--convert", "--bogus", in}, "不明なオプションです: --bogus"},
        {{"--convert", in, "--title"}, "オプション --title には値が必要です"},
        {{"--convert", "--face", "serif", in}, "mincho か gothic"},
        {{"--convert", "--heading=a\nb", in}, "改行"},
        {{"--convert", "-o", "x.htm", in, in}, "-o は"},
        {{"--convert", "-o", "x.htm", "-d", "out", in}, "-o と -d"},
        {{"--convert", "-o", "x.htm", "--files-from", Path("list")}, "-o は"},
        {{"--convert", "-0", in}, "-0 は --files-from"},
        {{"--convert", "--settings", Path("none.ini"), in}, "none.ini"},
        {{"--unknown"}, "不明なオプションです: --unknown"},
        {{"--convert", "--encoding", "latin-1", in}, "--encoding の値は"},
        // A value that is no text: bytes that are not UTF-8, or a NUL.
        {{"--convert", "--title", PathFromBytes("T\xff"), in}, "オプション --title の値が"},
        {{"--convert", QStringLiteral("--heading=a") + QChar(0), in},
         "オプション --heading の値が"},
        {{"--convert", "-o", QStringLiteral("a") + QChar(0), in}, "オプション -o の値が"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.Args);
        EXPECT_EQ(run.Status, esUsage) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(QString::fromUtf8(c.Says))) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("vexla --help"));
        EXPECT_TRUE(run.Out.isEmpty());
    }
    EXPECT_EQ(Entries(Dir.path()), QStringList({"a.txt"}));
}

TEST_F(BatchTest, HelpAndVersionPrintAndSucceed) {
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.Status, esSuccess);
    for (const char* option : {"--convert", "--title", "--face", "--char-refs", "-o", "-d"})
        EXPECT_TRUE(help.Out.contains(option)) << option;
    EXPECT_TRUE(RunCli({"--convert", "-h"}).Out.startsWith(help.Out.left(20)));
    const CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.Status, esSuccess);
    EXPECT_EQ(version.Out, "Vexla 1.04\n");
}

TEST_F(BatchTest, AFailedWriteToStandardOutputFailsWithTheSystemsReason) {
    const QString in = Input("a.txt", "text");
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"--version"},
                                    QStringList{"--convert", "-o", "-", in}}) {
        FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        FILE* err = std::tmpfile();
        EXPECT_EQ(RunCommandLine(args, "/nonexistent/vexla", full, err), esFailed)
            << args.join(' ').toStdString();
        std::fclose(full);
        const QString message = QString::fromUtf8(ReadStream(err));
        EXPECT_EQ(message.count(u'\n'), 1) << message.toStdString();
        EXPECT_TRUE(message.contains(
            QStringLiteral("標準出力に書けません (%1)").arg(SystemErrorText(ENOSPC))))
            << message.toStdString();
    }
}

TEST_F(BatchTest, InputIsReadAsDetectedOrInTheEncodingGiven) {
    // UTF-8 with characters Shift-JIS cannot hold: on standard output the
    // failing page leaves nothing behind.
    const QString korean = Input("k.txt", QStringLiteral("日本\n안녕\n").toUtf8());
    CliRun run = RunCli({"--convert", "-o", "-", korean});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_TRUE(run.Out.isEmpty());
    EXPECT_TRUE(run.Err.contains(QStringLiteral("(U+C548) (15 行目)"))) << run.Err.toStdString();
    run = RunCli({"--convert", "--char-refs", "-o", "-", korean});
    EXPECT_EQ(run.Status, esSuccess);
    EXPECT_TRUE(run.Out.contains(Sjis(QStringLiteral("\r\n日本\r\n&#xC548;&#xB155;\r\n</font>"))));

    // UTF-16 in the byte order given, whatever its mark says.
    const QString be = Input("be.txt", QByteArray("\xFE\xFF\0a\0b", 6));
    run = RunCli({"--convert", "--encoding", "UTF-16BE", "-o", "-", be});
    EXPECT_TRUE(run.Out.contains("\r\nab\r\n</font>")) << run.Err.toStdString();
    run = RunCli({"--convert", "--char-refs", "--encoding", "utf-16le", "-o", "-", be});
    EXPECT_TRUE(run.Out.contains(Sjis(QStringLiteral("\r\n&#xFFFE;\u6100\u6200\r\n</font>"))))
        << run.Err.toStdString();
}

TEST_F(BatchTest, OptionsOverrideTheSettingsFileForTheRunOnly) {
    const QString ini = Settings({{"Tht", "From file"}, {"Tad", "Heading"}});
    const QByteArray iniBefore = ReadBytes(ini);
    const QString in = Input("notes.txt", "text\n");
    const CliRun run = RunCli({"--convert", "--settings", ini, "--title", "題", "--face", "gothic",
                               "--html", "--link-text=戻る", "--background", "Aqua", in});
    EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.isEmpty());
    const QString page = Decoded(ReadBytes(Path("notes.html")));
    EXPECT_TRUE(page.contains("<TITLE>題</TITLE>"));
    EXPECT_TRUE(page.contains(">Heading</FONT>")); // from the file
    EXPECT_TRUE(page.contains("face=\"ＭＳ ゴシック\""));
    EXPECT_TRUE(page.contains("<a href=\"index.html\">戻る</a>"));
    EXPECT_TRUE(page.contains("<body bgcolor=\"Aqua\""));
    EXPECT_EQ(ReadBytes(ini), iniBefore);

    // The stored Html box chooses .html unless --htm says otherwise.
    Settings({{"CheckBox1Checked", "1"}});
    EXPECT_EQ(RunCli({"--convert", "--settings", ini, "--htm", in}).Status, esSuccess);
    EXPECT_TRUE(Decoded(ReadBytes(Path("notes.htm"))).contains("index.htm\""));
}

TEST_F(BatchTest, SettingsFileIsFoundAsTheWindowFindsIt) {
    // Beside a program whose folder is writable.
    const QString program = Path("bin/vexla");
    QDir().mkpath(Path("bin"));
    Settings({{"Tht", "Beside"}});
    QFile::rename(Path("settings.ini"), Path("bin/vexla.ini"));
    const QString in = Input("a.txt", "x");
    EXPECT_EQ(RunCli({"--convert", in}, program).Status, esSuccess);
    EXPECT_TRUE(Decoded(ReadBytes(Path("a.htm"))).contains("<TITLE>Beside</TITLE>"));

    // An installed program (its desktop entry in ../share/applications) uses
    // the configuration folder even where it could write beside itself.
    QDir().mkpath(Path("share/applications"));
    WriteBytes(Path("share/applications/vexla.desktop"), "[Desktop Entry]\n");
    EXPECT_EQ(ProgramSettingsFile(program), ConfigFolder() + "/vexla.ini");
    EXPECT_EQ(RunCli({"--convert", in}, program).Status, esSuccess);
    EXPECT_TRUE(Decoded(ReadBytes(Path("a.htm"))).contains("<TITLE>Tips</TITLE>"));
}

TEST_F(BatchTest, OutputsGoBesideIntoAFolderOrToStandardOutput) {
    const QString a = Input("a.txt", "aaa");
    const QString b = Input("b", "bbb");
    const TPageSettings page = DefaultPage();
    EXPECT_EQ(RunCli({"--convert", a, b}).Status, esSuccess);
    EXPECT_EQ(ReadBytes(Path("a.htm")), Sjis(WindowPageText("aaa", page)).replace("\n", "\r\n"));
    EXPECT_TRUE(QFileInfo::exists(Path("b.htm")));

    EXPECT_EQ(RunCli({"--convert", "-d", Path("out/pages"), a, b}).Status, esSuccess);
    EXPECT_EQ(Entries(Path("out/pages")), QStringList({"a.htm", "b.htm"}));
    EXPECT_EQ(ReadBytes(Path("out/pages/a.htm")), ReadBytes(Path("a.htm")));

    EXPECT_EQ(RunCli({"--convert", "-o", Path("one.html"), a}).Status, esSuccess);
    EXPECT_EQ(ReadBytes(Path("one.html")), ReadBytes(Path("a.htm")));

    const CliRun toStdout = RunCli({"--convert", "-o", "-", a});
    EXPECT_EQ(toStdout.Status, esSuccess);
    EXPECT_EQ(toStdout.Out, ReadBytes(Path("a.htm")));
}

TEST_F(BatchTest, EachFailedFileIsOneLineAndTheOthersGoOn) {
    const QString good1 = Input("good1.txt", "1");
    const QString good2 = Input("good2.txt", "2");
    QDir().mkpath(Path("folder.txt"));
    const CliRun run =
        RunCli({"--convert", good1, Path("missing.txt"), Path("folder.txt"), "/dev/null", good2});
    EXPECT_EQ(run.Status, esFailed);
    const QStringList lines = run.ErrLines();
    ASSERT_EQ(lines.size(), 3) << run.Err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("vexla: " + Path("missing.txt") + ": "));
    EXPECT_TRUE(lines[1].startsWith("vexla: " + Path("folder.txt") + ": "));
    EXPECT_TRUE(lines[2].startsWith("vexla: /dev/null: "));
    EXPECT_TRUE(QFileInfo::exists(Path("good1.htm")));
    EXPECT_TRUE(QFileInfo::exists(Path("good2.htm")));
    EXPECT_FALSE(QFileInfo::exists(Path("missing.htm")));
    // No progress line: standard error is not a terminal here.
    EXPECT_FALSE(run.Err.contains("MB/s"));
}

TEST_F(BatchTest, NeverWritesOverItsInputNorTwiceIntoOnePage) {
    // The default output of a.htm is a.htm itself; a hard link is the same file.
    const QString page = Input("a.htm", "original");
    ASSERT_EQ(
        link(QFile::encodeName(page).constData(), QFile::encodeName(Path("l.txt")).constData()), 0);
    for (const QStringList& args :
         {QStringList{"--convert", page}, QStringList{"--convert", "-o", Path("l.txt"), page},
          QStringList{"--convert", "-o", page, Path("l.txt")}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.Status, esFailed);
        EXPECT_TRUE(run.Err.contains("入力と同じファイル")) << run.Err.toStdString();
        EXPECT_EQ(ReadBytes(page), "original");
    }
    // Two inputs of one name: the second does not replace the first's page.
    QDir().mkpath(Path("x"));
    QDir().mkpath(Path("y"));
    const CliRun run = RunCli(
        {"--convert", "-d", Path("out"), Input("x/n.txt", "first"), Input("y/n.txt", "second")});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_EQ(run.ErrLines().size(), 1);
    EXPECT_TRUE(run.Err.contains(Path("y/n.txt")));
    EXPECT_TRUE(Decoded(ReadBytes(Path("out/n.htm"))).contains("first"));
}

TEST_F(BatchTest, AFailedPageLeavesTheOldOneAndNoTemporaryFile) {
    const QString in = Input("a.txt", "text");
    const QString page = Input("a.htm", "old page");
    const CliRun run = RunCli({"--convert", "--title", "😀", in});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_TRUE(run.Err.contains("4 行目")) << run.Err.toStdString();
    EXPECT_EQ(ReadBytes(page), "old page");
    EXPECT_EQ(Entries(Dir.path()), QStringList({"a.htm", "a.txt"}));
    // With references the page is written.
    EXPECT_EQ(RunCli({"--convert", "--char-refs", "--title", "😀", in}).Status, esSuccess);
    EXPECT_TRUE(ReadBytes(page).contains("<TITLE>&#x1F600;</TITLE>"));
}

TEST_F(BatchTest, PermissionsRefuseWithoutLosingAnything) {
    if (!RunUnprivileged())
        return;
    const QString in = Input("a.txt", "text");
    const QString page = Input("a.htm", "read-only page");
    ASSERT_EQ(chmod(QFile::encodeName(page).constData(), 0444), 0);
    CliRun run = RunCli({"--convert", in});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_TRUE(run.Err.contains(page)) << run.Err.toStdString();
    EXPECT_EQ(ReadBytes(page), "read-only page");

    QDir().mkpath(Path("locked"));
    ASSERT_EQ(chmod(QFile::encodeName(Path("locked")).constData(), 0555), 0);
    run = RunCli({"--convert", "-d", Path("locked"), in});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_TRUE(Entries(Path("locked")).isEmpty());
    chmod(QFile::encodeName(Path("locked")).constData(), 0755);

    const QString secret = Input("secret.txt", "secret");
    ASSERT_EQ(chmod(QFile::encodeName(secret).constData(), 0), 0);
    run = RunCli({"--convert", secret});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_FALSE(QFileInfo::exists(Path("secret.htm")));
}

// Pages are saved as the window saves them: a special file is refused and
// left as it is, a page with several names keeps them, and a page the user
// may write in a folder they may not is still written.
TEST_F(BatchTest, PagesAreSavedAsTheWindowSavesThem) {
    const QString in = Input("a.txt", "text");
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("fifo.htm")).constData(), 0644), 0);
    CliRun run = RunCli({"--convert", "-o", Path("fifo.htm"), in});
    EXPECT_EQ(run.Status, esFailed);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("通常のファイルではありません")))
        << run.Err.toStdString();
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(Path("fifo.htm")).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    const QString page = Input("a.htm", "old page");
    ASSERT_TRUE(QFile::link(page, Path("link.htm")));
    ASSERT_EQ(
        link(QFile::encodeName(page).constData(), QFile::encodeName(Path("hard.htm")).constData()),
        0);
    run = RunCli({"--convert", in});
    EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
    EXPECT_TRUE(ReadBytes(Path("hard.htm")).contains("\r\ntext\r\n"));
    EXPECT_TRUE(QFileInfo(Path("link.htm")).isSymLink());

    if (!RunUnprivileged())
        return;
    QDir().mkpath(Path("locked"));
    const QString inside = Input("locked/b.htm", "old page");
    ASSERT_EQ(chmod(QFile::encodeName(Path("locked")).constData(), 0555), 0);
    run = RunCli({"--convert", "-o", inside, in});
    chmod(QFile::encodeName(Path("locked")).constData(), 0755);
    EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
    EXPECT_TRUE(ReadBytes(inside).contains("\r\ntext\r\n"));
}

TEST_F(BatchTest, ProgressShowsOnATerminalForSeveralFiles) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    FILE* terminal = fdopen(slave, "w");
    FILE* out = std::tmpfile();
    const QString a = Input("a.txt", "a"), b = Input("b.txt", "b");
    EXPECT_EQ(RunCommandLine({"--convert", a, Path("missing.txt"), b}, "/nonexistent/vexla", out,
                             terminal),
              esFailed);
    std::fclose(terminal);
    std::fclose(out);
    QByteArray shown;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
        shown.append(buf, n);
    close(master);
    const QString text = QString::fromUtf8(shown);
    EXPECT_TRUE(text.contains("3/3 ファイル")) << text.toStdString();
    EXPECT_TRUE(text.contains("MB/s"));
    // The failure still has a line of its own.
    EXPECT_TRUE(text.contains("\x1b[Kvexla: " + Path("missing.txt") + ": "));
    // One file: no progress.
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    terminal = fdopen(slave, "w");
    out = std::tmpfile();
    EXPECT_EQ(RunCommandLine({"--convert", a}, "/nonexistent/vexla", out, terminal), esSuccess);
    std::fclose(terminal);
    std::fclose(out);
    EXPECT_LE(read(master, buf, sizeof buf), 0);
    close(master);
}

TEST_F(BatchTest, ANameThatIsNotUtf8IsReadByItsBytes) {
    // "メモ.txt" named in Shift-JIS, as an old Japanese system names it.
    const QByteArray name = QFile::encodeName(Dir.path()) + "/\x83\x81\x83\x82.txt";
    const int fd = open(name.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "memo", 4), 4);
    close(fd);
    const QString input = PathFromBytes(name);
    EXPECT_EQ(RunCli({"--convert", "-o", Path("memo.htm"), input}).Status, esSuccess);
    EXPECT_TRUE(ReadBytes(Path("memo.htm")).contains("\r\nmemo\r\n"));
    // Beside it, the page takes the same bytes for its name.
    const CliRun run = RunCli({"--convert", input});
    EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
    const QByteArray page = QFile::encodeName(Dir.path()) + "/\x83\x81\x83\x82.htm";
    struct stat st {};
    EXPECT_EQ(stat(page.constData(), &st), 0);
    EXPECT_GT(st.st_size, 0);
    unlink(page.constData());
    unlink(name.constData());
}

// Names come after the arguments from a list, one a line (empty lines
// skipped, the last one without its break) or, with -0, each ending in NUL,
// from a file or standard input.
TEST_F(BatchTest, InputsComeFromAListAfterTheArguments) {
    const QString a = Input("a.txt", "aaa"), b = Input("b.txt", "bbb"), c = Input("c.txt", "ccc");
    ASSERT_TRUE(WriteBytes(Path("list"), (b + "\n\n" + c).toUtf8()));
    EXPECT_EQ(RunCli({"--convert", "-d", Path("lines"), "--files-from", Path("list"), a}).Status,
              esSuccess);
    EXPECT_EQ(Entries(Path("lines")), QStringList({"a.htm", "b.htm", "c.htm"}));
    EXPECT_EQ(ReadBytes(Path("lines/c.htm")),
              Sjis(WindowPageText("ccc", DefaultPage())).replace("\n", "\r\n"));

    ASSERT_TRUE(WriteBytes(Path("list0"), (a + '\0' + c + '\0').toUtf8()));
    const int saved = dup(STDIN_FILENO);
    const int list = open(QFile::encodeName(Path("list0")).constData(), O_RDONLY);
    dup2(list, STDIN_FILENO);
    const CliRun run = RunCli({"--convert", "-d", Path("nul"), "-0", "--files-from", "-"});
    dup2(saved, STDIN_FILENO);
    close(list);
    close(saved);
    EXPECT_EQ(run.Status, esSuccess) << run.Err.toStdString();
    EXPECT_EQ(Entries(Path("nul")), QStringList({"a.htm", "c.htm"}));

    const CliRun missing = RunCli({"--convert", "--files-from", Path("none"), a});
    EXPECT_EQ(missing.Status, esFailed);
    EXPECT_EQ(missing.ErrLines().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(Path("a.htm")));
}

// Batches are killed at random moments while their pages replace old ones:
// every page is old or new; all else a kill may leave is the hidden name of a
// page that was about to be renamed, which the next run removes.
TEST_F(BatchTest, AKilledBatchLeavesEveryPageOldOrNew) {
    QStringList args = {"--convert", "-d", Path("out")};
    for (int i = 0; i < 60; ++i)
        args << Input(QStringLiteral("n%1.txt").arg(i), QByteArray(2000 + i, 'a' + char(i % 26)));
    QDir().mkpath(Path("out"));
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(RunCli(args).Status, esSuccess);
    const auto window = quint32(std::max<qint64>(clock.nsecsElapsed() / 1000 * 3 / 2, 2000));
    QHash<QString, QByteArray> fresh;
    for (const QString& name : Entries(Path("out")))
        fresh.insert(name, ReadBytes(Path("out/" + name)));
    ASSERT_EQ(fresh.size(), 60);

    for (int round = 0; round < 12; ++round) {
        for (auto it = fresh.cbegin(); it != fresh.cend(); ++it)
            WriteBytes(Path("out/" + it.key()), "old");
        const pid_t batch = fork();
        ASSERT_GE(batch, 0);
        if (batch == 0) {
            FILE* null = std::fopen("/dev/null", "w");
            std::_Exit(RunCommandLine(args, "/nonexistent/vexla", null, null));
        }
        usleep(QRandomGenerator::global()->bounded(window));
        kill(batch, SIGKILL);
        waitpid(batch, nullptr, 0);
        for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
            const QByteArray now = ReadBytes(Path("out/" + it.key()));
            EXPECT_TRUE(now == "old" || now == it.value()) << it.key().toStdString();
        }
        for (const QString& name : Entries(Path("out")))
            EXPECT_TRUE(fresh.contains(name) ||
                        (name.startsWith(u'.') && name.endsWith(u".vexla-new")))
                << name.toStdString();
    }
    ASSERT_EQ(RunCli(args).Status, esSuccess);
    EXPECT_EQ(Entries(Path("out")).size(), 60);
}
