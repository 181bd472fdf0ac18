#include "CommandLine.h"

#include "PageStream.h"
#include "PathNames.h"
#include "StoredSettings.h"
#include "SysUtils.h"
#include "TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <malloc.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using P = TPageSettings;

// The options that set one page value for the run.
struct TValueOption {
    const char* Name;
    QString P::*Value;
};
constexpr TValueOption kValueOptions[] = {
    {"--title", &P::Tht},        {"--heading", &P::Tad},     {"--background", &P::bgc},
    {"--text-color", &P::mclo},  {"--rule-color", &P::Lcl},  {"--heading-color", &P::Dai},
    {"--table-width", &P::Tsiz}, {"--rule-width", &P::Lsiz}, {"--font-size", &P::Fs},
    {"--link", &P::Hbak},        {"--link-text", &P::Bac},
};

// Options that take a file or folder name.
constexpr const char* kPathOptions[] = {"-o", "-d", "--settings", "--files-from"};
// Options that take one of a few words.
constexpr const char* kWordOptions[] = {"--face", "--encoding"};

// --encoding: the window's reopen choices, and UTF-16 in a given byte order.
constexpr struct {
    const char* Name;
    TInputEncoding Encoding;
} kEncodings[] = {
    {"shift-jis", TInputEncoding::Cp932},  {"utf-8", TInputEncoding::Utf8},
    {"utf-16", TInputEncoding::Utf16},     {"utf-16le", TInputEncoding::Utf16LE},
    {"utf-16be", TInputEncoding::Utf16BE},
};

bool IsHelp(const QString& a) {
    return a == u"--help" || a == u"-h";
}

QString Utf8Line(const QString& text) {
    return text.endsWith(u'\n') ? text : text + u'\n';
}

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = Utf8Line(text).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

[[noreturn]] void RaiseOutputError(int error) {
    throw Exception(QStringLiteral("標準出力に書けません (%1)").arg(SystemErrorText(error)));
}

// Standard output as the page's sink.
TByteSink StreamSink(FILE* stream) {
    return [stream](QByteArrayView bytes) {
        if (std::fwrite(bytes.data(), 1, size_t(bytes.size()), stream) != size_t(bytes.size()))
            RaiseOutputError(errno);
    };
}

// Flushes what the stream holds and closes a duplicate of its descriptor, so
// that a write the system could only fail at close (a network file) fails
// here; the stream itself stays open.
void FinishStream(FILE* stream) {
    if (std::fflush(stream) != 0)
        RaiseOutputError(errno);
    const int fd = dup(fileno(stream));
    if (fd < 0 || close(fd) != 0)
        RaiseOutputError(errno);
}

// Help and version: any failure to write them fails the run.
int PrintOutput(FILE* out, FILE* err, const QString& text) {
    try {
        StreamSink(out)(Utf8Line(text).toUtf8());
        FinishStream(out);
        return esSuccess;
    } catch (const Exception& e) {
        Print(err, QStringLiteral("vexla: %1").arg(e.Message()));
        return esFailed;
    }
}

const TValueOption* FindValueOption(QStringView name) {
    for (const TValueOption& o : kValueOptions)
        if (name == QLatin1StringView(o.Name))
            return &o;
    return nullptr;
}

template <size_t N> bool IsOneOf(QStringView name, const char* const (&options)[N]) {
    return std::any_of(std::begin(options), std::end(options),
                       [name](const char* o) { return name == QLatin1StringView(o); });
}

bool TakesValue(QStringView name) {
    return FindValueOption(name) || IsOneOf(name, kPathOptions) || IsOneOf(name, kWordOptions);
}

// A value that came from bytes that are no text: a NUL, or bytes that are not
// UTF-8 (which the arguments carry as unpaired surrogates). A file name may
// be such bytes, but no NUL.
bool IsText(const QString& value, bool fileName) {
    return !value.contains(QChar(u'\0')) && (fileName || QStringView(value).isValidUtf16());
}

QString ApplyEncoding(TBatchOptions& options, const QString& value) {
    for (const auto& e : kEncodings) {
        if (value.compare(QLatin1StringView(e.Name), Qt::CaseInsensitive) == 0) {
            options.Encoding = e.Encoding;
            return {};
        }
    }
    return QStringLiteral("--encoding の値は shift-jis、utf-8、utf-16、utf-16le、utf-16be の"
                          "どれかです: %1")
        .arg(value);
}

// Applies one option with its value; returns a usage error's message or an
// empty string.
QString ApplyOption(TBatchOptions& options, const QString& name, const QString& value) {
    if (!IsText(value, IsOneOf(name, kPathOptions)))
        return QStringLiteral(
                   "オプション %1 の値が文字列として読めません (UTF-8 でないバイトか NUL)")
            .arg(name);
    if (value.contains(u'\r') || value.contains(u'\n'))
        return QStringLiteral("%1 の値に改行は使えません").arg(name);
    if (const TValueOption* o = FindValueOption(name)) {
        options.Overrides.append({o->Value, value});
    } else if (name == u"--face") {
        if (value == u"mincho")
            options.Overrides.append({&P::Mfn, MinchoFace()});
        else if (value == u"gothic")
            options.Overrides.append({&P::Mfn, GothicFace()});
        else
            return QStringLiteral("--face の値は mincho か gothic です: %1").arg(value);
    } else if (name == u"--encoding") {
        return ApplyEncoding(options, value);
    } else if (name == u"-o") {
        options.Output = value;
    } else if (name == u"-d") {
        options.OutputDir = value;
    } else if (name == u"--settings") {
        options.SettingsFile = value;
    } else if (name == u"--files-from") {
        options.FilesFrom = value;
    }
    return {};
}

QString CheckBatchOptions(const TBatchOptions& options) {
    if (options.Inputs.isEmpty() && options.FilesFrom.isEmpty())
        return QStringLiteral("変換するファイルがありません");
    if (options.NulNames && options.FilesFrom.isEmpty())
        return QStringLiteral("-0 は --files-from と一緒に使います");
    if (!options.Output.isEmpty() && !options.OutputDir.isEmpty())
        return QStringLiteral("-o と -d は一緒に使えません");
    if (!options.Output.isEmpty() && (options.Inputs.size() > 1 || !options.FilesFrom.isEmpty()))
        return QStringLiteral("-o は変換するファイルが一つのときだけ使えます (複数なら -d)");
    if (!options.SettingsFile.isEmpty() && !IsRegularFile(options.SettingsFile)) {
        struct stat st;
        const bool exists = stat(PathToBytes(options.SettingsFile).constData(), &st) == 0;
        return (exists ? QStringLiteral("設定ファイル %1 は通常のファイルではありません")
                       : QStringLiteral("設定ファイル %1 がありません"))
            .arg(options.SettingsFile);
    }
    return {};
}

// --- one file -------------------------------------------------------------

bool SameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return stat(PathToBytes(a).constData(), &sa) == 0 &&
           stat(PathToBytes(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Opens the file by its bytes. Only regular files: a FIFO or a device is
// never opened.
void OpenInput(QFile& in, const QString& input) {
    struct stat st;
    int error;
    const int fd = OpenRegularFile(PathToBytes(input), st, error);
    if (fd < 0)
        throw EFOpenError(DisplayPath(input),
                          error != 0 ? SystemErrorText(error) : NotRegularReason(st.st_mode));
    if (!in.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        close(fd);
        throw EFOpenError(DisplayPath(input));
    }
}

// Writes the page as the window saves one: a special file is refused, a
// read-only one stays so, the file is replaced atomically where that keeps
// its identity and written in place otherwise; the old file survives any
// failure.
void WritePageToFile(QFile& in, const QString& output, const TPageSettings& page,
                     const QString& input, const TPageStreamOptions& streamOptions,
                     TFileBatch& batch) {
    if (SameFile(input, output))
        throw Exception(QStringLiteral("出力 %1 は入力と同じファイルなので書きません")
                            .arg(DisplayPath(output)));
    batch.Add(
        output,
        [&](const TByteSink& sink) {
            WritePage(in, sink, page, DisplayPath(input), streamOptions);
        },
        input);
}

// Standard output cannot take back a page that fails half-way, so such a
// page is found before anything is written.
void WritePageToStream(QFile& in, FILE* stream, const TPageSettings& page, const QString& input,
                       TPageStreamOptions streamOptions) {
    streamOptions.CheckFirst = true;
    WritePage(in, StreamSink(stream), page, DisplayPath(input), streamOptions);
    FinishStream(stream);
}

// output "-" is stream. A page saved to a file may wait in batch until the
// batch makes its group durable.
void ConvertFile(const QString& input, const QString& output, FILE* stream,
                 const TPageSettings& page, const TPageStreamOptions& streamOptions,
                 TFileBatch& batch) {
    QFile in(input);
    OpenInput(in, input);
    if (output == u"-")
        WritePageToStream(in, stream, page, input, streamOptions);
    else
        WritePageToFile(in, output, page, input, streamOptions, batch);
}

// The names of a list of files, read as they are needed (the list may be
// longer than memory should hold): one a line, or each ending in NUL as
// find -print0 writes them. Empty names are skipped.
class TNameList {
public:
    TNameList(const QString& file, bool nulNames)
        : FFile(file), FSeparator(nulNames ? '\0' : '\n') {
        if (file == u"-")
            return;
        FFd.emplace(open(PathToBytes(file).constData(), O_RDONLY | O_CLOEXEC));
        if (*FFd < 0)
            throw EFOpenError(DisplayPath(file), SystemErrorText(errno));
    }
    TNameList(const TNameList&) = delete;
    TNameList& operator=(const TNameList&) = delete;
    ~TNameList() {
        if (FFd && *FFd >= 0)
            close(*FFd);
    }

    bool Next(QString& name) {
        for (;;) {
            qsizetype end = FBuffer.indexOf(FSeparator, FFrom);
            if (end < 0 && FEnded && FFrom < FBuffer.size())
                end = FBuffer.size(); // the last name without its separator
            if (end >= 0) {
                const QByteArrayView bytes(FBuffer.constData() + FFrom, end - FFrom);
                FFrom = end + 1;
                if (bytes.isEmpty())
                    continue;
                name = PathFromBytes(bytes);
                return true;
            }
            if (FEnded)
                return false;
            Fill();
        }
    }

private:
    void Fill() {
        FBuffer.remove(0, std::min(FFrom, FBuffer.size()));
        FFrom = 0;
        const qsizetype used = FBuffer.size();
        FBuffer.resize(used + 65536);
        ssize_t n;
        do
            n = read(FFd ? *FFd : STDIN_FILENO, FBuffer.data() + used, 65536);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            throw EFOpenError(DisplayPath(FFile), SystemErrorText(errno));
        FBuffer.truncate(used + n);
        FEnded = n == 0;
    }

    QString FFile;
    char FSeparator;
    std::optional<int> FFd; // none: standard input
    QByteArray FBuffer;
    qsizetype FFrom = 0;
    bool FEnded = false;
};

// --- the run --------------------------------------------------------------

// Files done and throughput on one line of a terminal, at most ten times a
// second. files is -1 when a list gives them as they come.
class TProgress {
public:
    TProgress(FILE* err, qsizetype files)
        : FErr(err), FFiles(files), FShown(files != 0 && files != 1 && isatty(fileno(err))) {
        FClock.start();
    }
    void Update(qint64 fileBytes) {
        FFileBytes = fileBytes;
        if (FShown && FClock.elapsed() - FLastShown >= 100)
            Show();
    }
    void FileDone() {
        ++FDone;
        FBytes += FFileBytes;
        FFileBytes = 0;
        Update(0);
    }
    // Clears the line so that a message stands on its own.
    void Clear() {
        if (FShown)
            std::fputs("\r\x1b[K", FErr);
    }
    void Finish() {
        if (!FShown)
            return;
        Show();
        std::fputc('\n', FErr);
        std::fflush(FErr);
    }

private:
    void Show() {
        FLastShown = FClock.elapsed();
        const double seconds = double(std::max<qint64>(FLastShown, 1)) / 1000.0;
        const double mb = double(FBytes + FFileBytes) / 1e6;
        const QString done =
            FFiles < 0 ? QString::number(FDone) : QStringLiteral("%1/%2").arg(FDone).arg(FFiles);
        const QByteArray line = QStringLiteral("\r\x1b[K%1 ファイル  %2 MB/s")
                                    .arg(done)
                                    .arg(mb / seconds, 0, 'f', 1)
                                    .toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), FErr);
        std::fflush(FErr);
    }

    FILE* FErr;
    qsizetype FFiles;
    bool FShown;
    QElapsedTimer FClock;
    qint64 FLastShown = -1000;
    qsizetype FDone = 0;
    qint64 FBytes = 0;
    qint64 FFileBytes = 0;
};

QString OutputFor(const QString& input, const TBatchOptions& options, const QString& ext) {
    if (!options.Output.isEmpty())
        return options.Output;
    const QString page = ChangeFileExt(QFileInfo(input).fileName(), ext);
    if (!options.OutputDir.isEmpty())
        return QDir(options.OutputDir).filePath(page);
    return ChangeFileExt(input, ext);
}

TStoredValues PageForRun(const TBatchOptions& options, const QString& programPath) {
    TStoredValues stored = ReadStoredSettingsFile(
        options.SettingsFile.isEmpty() ? ProgramSettingsFile(programPath) : options.SettingsFile);
    for (const auto& [value, text] : options.Overrides)
        stored.Page.*value = text;
    stored.Html = options.Html.value_or(stored.Html);
    stored.Page.LinkExt = LinkExtension(stored.Html);
    stored.Page.Utf8 = stored.Page.Utf8 || options.Utf8;
    stored.Page.Escape = stored.Page.Escape || options.Escape;
    return stored;
}

// Every chunk allocates buffers of a few MB; without this the allocator hands
// them back to the system after each chunk and the next chunk page-faults
// them in again, which costs more than the conversion itself.
void KeepChunkMemory() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

int RunBatch(const TBatchOptions& options, const QString& programPath, FILE* out, FILE* err) {
    KeepChunkMemory();
    const TStoredValues stored = PageForRun(options, programPath);
    const QString ext = u'.' + stored.Page.LinkExt;
    if (!options.OutputDir.isEmpty())
        QDir().mkpath(options.OutputDir);

    TProgress progress(err, options.FilesFrom.isEmpty() ? options.Inputs.size() : -1);
    TPageStreamOptions streamOptions;
    streamOptions.CharRefs = options.CharRefs;
    streamOptions.Encoding = options.Encoding;
    streamOptions.OnProgress = [&progress](qint64 bytes) { progress.Update(bytes); };
    int status = esSuccess;
    const auto fail = [&](const QString& input, const QString& message) {
        progress.Clear();
        Print(err, QStringLiteral("vexla: %1: %2").arg(DisplayPath(input), message));
        status = esFailed;
    };
    // Pages are made durable together, group by group.
    TFileBatch batch(
        [&](const QString& input, const EFCreateError& e) { fail(input, e.Message()); });
    // Two inputs of one name in different folders must not share a page. The
    // outputs are kept by a hash of their path, so that a long list costs
    // little memory.
    QHash<quint64, QByteArray> written; // absolute output -> its input
    const auto convert = [&](const QString& input) {
        const QString output = OutputFor(input, options, ext);
        const QString key = output == u"-" ? output : QFileInfo(output).absoluteFilePath();
        const quint64 hash = qHash(PathToBytes(key), 0);
        try {
            if (const auto it = written.constFind(hash); it != written.cend())
                throw Exception(QStringLiteral("出力 %1 は %2 の出力と同じなので書きません")
                                    .arg(output, PathFromBytes(*it)));
            written.insert(hash, PathToBytes(input));
            ConvertFile(input, output, out, stored.Page, streamOptions, batch);
        } catch (const Exception& e) {
            fail(input, e.Message());
        }
        progress.FileDone();
    };
    for (const QString& input : options.Inputs)
        convert(input);
    if (!options.FilesFrom.isEmpty()) {
        try {
            TNameList list(options.FilesFrom, options.NulNames);
            for (QString input; list.Next(input);)
                convert(input);
        } catch (const Exception& e) {
            fail(options.FilesFrom, e.Message());
        }
    }
    batch.Flush();
    progress.Finish();
    return status;
}

} // namespace

QStringList ProgramArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << PathFromBytes(argv[i]);
    return args;
}

TStartMode StartModeOf(const QStringList& args) {
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    const QStringList options = end < 0 ? args : args.first(end);
    if (std::any_of(options.begin(), options.end(), IsHelp))
        return TStartMode::Help;
    if (options.contains(QStringLiteral("--version")))
        return TStartMode::Version;
    if (options.contains(QStringLiteral("--convert")))
        return TStartMode::Convert;
    // Single-dash options belong to the toolkit (-platform, -style, ...).
    if (std::any_of(options.begin(), options.end(),
                    [](const QString& a) { return a.startsWith(u"--"); }))
        return TStartMode::Usage;
    return TStartMode::Window;
}

QString HelpText() {
    return QStringLiteral(
        "使い方:\n"
        "  vexla [ファイル]                 ウィンドウを開き、ファイルを読み込みます\n"
        "  vexla --convert [オプション] ファイル...\n"
        "                                   各ファイルを HTML ページにして保存します\n"
        "  vexla --help                     この説明を表示します\n"
        "  vexla --version                  バージョンを表示します\n"
        "\n"
        "変換のオプション (設定ファイルの値をこの実行だけ変えます。設定は書きません):\n"
        "  --title 文字列        ページの題名 (Htm題)\n"
        "  --heading 文字列      見出し\n"
        "  --background 色       背景色 (#fff8dc、Aqua など)\n"
        "  --text-color 色       文字色\n"
        "  --rule-color 色       線の色\n"
        "  --heading-color 色    題名色\n"
        "  --face mincho|gothic  書体 (明朝かゴシック)\n"
        "  --table-width 数      表の幅 (ピクセル)\n"
        "  --rule-width 数       線幅\n"
        "  --font-size 数        Fontsize\n"
        "  --link 名前           戻るリンクの行き先 (拡張子なし)\n"
        "  --link-text 文字列    戻るリンクの文字 (Linkname)\n"
        "  --html                リンクと保存の拡張子を .html に (--htm で .htm)\n"
        "  --settings ファイル   この設定ファイルを読みます\n"
        "  --char-refs           Shift-JIS にない文字を &#x16進数; で書きます\n"
        "                        (ないときはそのファイルを変換しません)\n"
        "  --utf8                UTF-8 のページにします (charset=UTF-8、すべての文字をそのまま)\n"
        "  --escape              本文の & < > を &amp; &lt; &gt; と書き、文字のまま表示します\n"
        "  --encoding 名前       入力をこの符号化で読みます: shift-jis、utf-8、\n"
        "                        utf-16 (バイト順は BOM か本文から)、utf-16le、utf-16be\n"
        "                        (ないときはウィンドウの「開く」と同じく BOM、UTF-8、\n"
        "                        Shift-JIS の順に判定します)\n"
        "  -o ファイル           保存先 (ファイルが一つのとき。- で標準出力)\n"
        "  -d フォルダ           保存先のフォルダ\n"
        "  --files-from 一覧     一覧のファイルも変換します (一行に一つ。- で標準入力)\n"
        "  -0                    一覧の名前は改行でなく NUL で区切ります (find -print0)\n"
        "\n"
        "保存先は既定で入力と同じフォルダ、拡張子 .htm (--html なら .html) です。\n"
        "入力ファイルそのものには書きません。\n"
        "\n"
        "終了状態: 0 すべて変換した / 1 変換できなかったファイルがある / 2 使い方の誤り\n");
}

QString VersionText() {
    return QStringLiteral("Vexla " VEXLA_VERSION "\n");
}

std::variant<TBatchOptions, QString> ParseBatchArguments(const QStringList& args) {
    TBatchOptions options;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (onlyFiles || a == u"-" || !a.startsWith(u'-')) {
            options.Inputs << a;
        } else if (a == u"--") {
            onlyFiles = true;
        } else if (a == u"--convert") {
        } else if (a == u"--html" || a == u"--htm") {
            options.Html = a == u"--html";
        } else if (a == u"--char-refs") {
            options.CharRefs = true;
        } else if (a == u"--utf8") {
            options.Utf8 = true;
        } else if (a == u"--escape") {
            options.Escape = true;
        } else if (a == u"-0") {
            options.NulNames = true;
        } else {
            // --name=value or --name value
            const qsizetype eq = a.startsWith(u"--") ? a.indexOf(u'=') : -1;
            const QString name = eq < 0 ? a : a.left(eq);
            if (!TakesValue(name))
                return QStringLiteral("不明なオプションです: %1").arg(a);
            if (eq < 0 && i + 1 >= args.size())
                return QStringLiteral("オプション %1 には値が必要です").arg(name);
            const QString value = eq < 0 ? args[++i] : a.mid(eq + 1);
            if (const QString error = ApplyOption(options, name, value); !error.isEmpty())
                return error;
        }
    }
    if (const QString error = CheckBatchOptions(options); !error.isEmpty())
        return error;
    return options;
}

void PrintUsageError(FILE* err, const QString& message) {
    Print(err, QStringLiteral("vexla: %1\n詳しくは vexla --help をご覧ください。").arg(message));
}

int RunCommandLine(const QStringList& args, const QString& programPath, FILE* out, FILE* err) {
    switch (StartModeOf(args)) {
    case TStartMode::Help:
        return PrintOutput(out, err, HelpText());
    case TStartMode::Version:
        return PrintOutput(out, err, VersionText());
    case TStartMode::Convert:
        break;
    case TStartMode::Window:
    case TStartMode::Usage: {
        const auto files = WindowArguments(args);
        PrintUsageError(
            err,
            std::holds_alternative<QString>(files)
                ? std::get<QString>(files)
                : QStringLiteral("ウィンドウなしで使えるのは --convert、--help、--version です"));
        return esUsage;
    }
    }
    const auto parsed = ParseBatchArguments(args);
    if (const QString* error = std::get_if<QString>(&parsed)) {
        PrintUsageError(err, *error);
        return esUsage;
    }
    return RunBatch(std::get<TBatchOptions>(parsed), programPath, out, err);
}

std::variant<QStringList, QString> WindowArguments(const QStringList& args) {
    QStringList files;
    bool onlyFiles = false;
    for (const QString& a : args) {
        if (!onlyFiles && a == u"--")
            onlyFiles = true;
        else if (!onlyFiles && a.startsWith(u'-') && a != u"-")
            return QStringLiteral("不明なオプションです: %1").arg(a);
        else
            files << QFileInfo(a).absoluteFilePath();
    }
    return files;
}
