#include "IniFile.h"

#include "Cp932.h"
#include "SysUtils.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

const QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

bool IsLeadByte(char c) {
    return Cp932::IsLeadByte(static_cast<unsigned char>(c));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView Trim(QByteArrayView s) {
    while (!s.isEmpty() && IsBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && IsBlank(s.back()))
        s.chop(1);
    return s;
}

// The first c at or after from (a character boundary) that is not the
// trail byte of a double-byte character; -1 when there is none.
qsizetype FindChar(QByteArrayView s, qsizetype from, char c) {
    for (qsizetype i = from; i < s.size();) {
        if (s[i] == c)
            return i;
        i += IsLeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
    }
    return -1;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Two double-byte codes of one character (the code page holds some
// characters twice, and encoding picks one of the codes).
bool SameDoubleByte(QByteArrayView a, QByteArrayView b) {
    if (a == b)
        return true;
    if (!IsLeadByte(b[0]))
        return false;
    const QString c = Cp932::Decode(a);
    return c.size() == 1 && c == Cp932::Decode(b);
}

// Equal ignoring ASCII case; double-byte characters are compared as
// characters, never folded.
bool SameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        if (IsLeadByte(a[i]) && i + 1 < a.size()) {
            if (!SameDoubleByte(a.sliced(i, 2), b.sliced(i, 2)))
                return false;
            i += 2;
        } else {
            if (FoldAscii(a[i]) != FoldAscii(b[i]))
                return false;
            ++i;
        }
    }
    return true;
}

QByteArrayView Unquote(QByteArrayView v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.sliced(1, v.size() - 2);
    return v;
}

enum TLineKind { lkOther, lkComment, lkSection, lkKey };

struct TLineInfo {
    TLineKind Kind = lkOther;
    QByteArrayView Name;      // trimmed section or key name
    QByteArrayView Value;     // trimmed raw value of a key line
    qsizetype ValueStart = 0; // offset just past "=" in the whole line
};

TLineInfo Classify(QByteArrayView line, bool firstLine) {
    TLineInfo info;
    qsizetype p = firstLine && line.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (p < line.size() && IsBlank(line[p]))
        ++p;
    if (p == line.size())
        return info;
    if (line[p] == ';') {
        info.Kind = lkComment;
        return info;
    }
    if (line[p] == '[') {
        const qsizetype close = FindChar(line, p + 1, ']');
        if (close >= 0) {
            info.Kind = lkSection;
            info.Name = Trim(line.sliced(p + 1, close - p - 1));
        }
        return info; // a "[" line without "]" is neither section nor key
    }
    const qsizetype eq = FindChar(line, p, '=');
    if (eq < 0)
        return info;
    info.Kind = lkKey;
    info.Name = Trim(line.sliced(p, eq - p));
    info.ValueStart = eq + 1;
    info.Value = Trim(line.sliced(eq + 1));
    return info;
}

QList<QByteArray> SplitLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << bytes.mid(start, i - start);
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

// The CP932 form of a name as it is matched (blanks stripped); none when the
// code page cannot hold it, in which case nothing stored can match it.
std::optional<QByteArray> MatchName(const QString& name) {
    if (!Cp932::CanEncode(name))
        return std::nullopt;
    return Trim(Cp932::Encode(name)).toByteArray();
}

bool HasBlankEnd(const QString& v) {
    return !v.isEmpty() && (IsBlank(v.front().toLatin1()) || IsBlank(v.back().toLatin1()));
}

bool HasOuterQuotes(const QString& v) {
    return v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
}

// Values that would lose blanks or quotes on reading go inside quotes.
QString QuoteIfNeeded(const QString& value) {
    return HasBlankEnd(value) || HasOuterQuotes(value) ? QLatin1Char('"') + value + QLatin1Char('"')
                                                       : value;
}

QByteArray SectionLine(const QString& section) {
    return '[' + Cp932::Encode(section) + ']';
}

QByteArray KeyLine(const QString& ident, const QString& value) {
    return Cp932::Encode(ident) + '=' + Cp932::Encode(QuoteIfNeeded(value));
}

// The byte length of the longest run of whole characters of s that fits in
// max bytes.
qsizetype WholeCharsWithin(QByteArrayView s, qsizetype max) {
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype next = IsLeadByte(s[i]) && i + 1 < s.size() ? i + 2 : i + 1;
        if (next > max)
            break;
        i = next;
    }
    return i;
}

// The file a write replaces: symlinks followed as QSaveFile follows them
// (a dangling link leads to the file it names), and the folder in its
// canonical form, so every name of one file shares one lock file.
QString ResolvedPath(const QString& fileName) {
    QFileInfo info(fileName);
    for (int depth = 0; depth < 64 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + u'/' + info.fileName();
}

// Opens the lock file for reading: an flock needs no write access, so a lock
// file another user made never stands in the way. A new one is made
// readable by everyone whatever the umask. Never follows a symlink.
int OpenLockFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = ::open(name.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd >= 0) {
            ::fchmod(fd, 0644);
            return fd;
        }
        if (errno != EEXIST)
            return -1; // else another process made it just now: open that one
    }
    return -1;
}

int FlockRetrying(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// A wait for a lock that may outlive the caller's interest in it.
struct TLockWait {
    std::mutex Mutex;
    std::condition_variable Finished;
    int Fd = -1;
    bool Done = false;
    bool Locked = false;
    bool Abandoned = false;
};

enum class TLockResult { Locked, TimedOut, Failed };

// Takes an exclusive flock on fd within timeout; on any result but Locked
// the caller no longer owns fd. The wait blocks in flock on a thread of its
// own, so the lock passes to waiters in the kernel's order rather than to
// whoever polls at the right moment; a wait given up on closes fd (and so
// drops the lock) as soon as it ends.
TLockResult LockWithin(int fd, std::chrono::milliseconds timeout) {
    if (FlockRetrying(fd, LOCK_EX | LOCK_NB) == 0)
        return TLockResult::Locked;
    if (errno != EWOULDBLOCK) {
        ::close(fd);
        return TLockResult::Failed;
    }
    auto wait = std::make_shared<TLockWait>();
    wait->Fd = fd;
    try {
        std::thread([wait] {
            const bool locked = FlockRetrying(wait->Fd, LOCK_EX) == 0;
            const std::lock_guard guard(wait->Mutex);
            wait->Done = true;
            wait->Locked = locked;
            if (wait->Abandoned)
                ::close(wait->Fd);
            wait->Finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
        return TLockResult::Failed;
    }
    std::unique_lock guard(wait->Mutex);
    if (!wait->Finished.wait_for(guard, timeout, [&] { return wait->Done; })) {
        wait->Abandoned = true;
        return TLockResult::TimedOut;
    }
    if (wait->Locked)
        return TLockResult::Locked;
    ::close(fd);
    return TLockResult::Failed;
}

[[noreturn]] void RaiseWriteError(const QString& fileName, const QString& reason = {}) {
    throw EIniWriteError(fileName, reason);
}

enum class TReadResult { Missing, Read, NotRegular, Failed };

// Reads a regular file whole; anything else is never opened (see
// OpenRegularFile). reason tells why it was not read.
TReadResult ReadRegularFile(const QString& path, QByteArray& bytes, QString& reason) {
    struct stat st;
    int error;
    const int fd = OpenRegularFile(QFile::encodeName(path), st, error);
    if (fd < 0) {
        if (error == ENOENT || error == ENOTDIR)
            return TReadResult::Missing;
        reason = error != 0 ? SystemErrorText(error) : NotRegularReason(st.st_mode);
        return error != 0 ? TReadResult::Failed : TReadResult::NotRegular;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return TReadResult::Failed;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return TReadResult::Failed;
    }
    return TReadResult::Read;
}

// The file as a document; empty when it cannot be read, is not a regular
// file or is UTF-16.
TIniDocument ReadDocument(const QString& fileName) {
    QByteArray bytes;
    QString reason;
    if (fileName.isEmpty() || ReadRegularFile(fileName, bytes, reason) != TReadResult::Read ||
        TIniDocument::IsUtf16(bytes))
        return {};
    return TIniDocument(bytes);
}

// Why an existing path that is not a regular file cannot be written; empty
// for a regular file or none at all.
QString NotRegularFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    return NotRegularReason(st.st_mode);
}

} // namespace

// --- TIniDocument -----------------------------------------------------------

TIniDocument::TIniDocument(const QByteArray& bytes) : FLines(SplitLines(bytes)) {}

QByteArray TIniDocument::Bytes() const {
    QByteArray out;
    qsizetype size = 0;
    for (const QByteArray& line : FLines)
        size += line.size() + 2;
    out.reserve(size);
    for (const QByteArray& line : FLines)
        out.append(line).append("\r\n");
    return out;
}

qsizetype TIniDocument::FindSection(const QByteArray& name) const {
    for (qsizetype i = 0; i < FLines.size(); ++i) {
        const TLineInfo info = Classify(FLines[i], i == 0);
        if (info.Kind == lkSection && SameName(info.Name, name))
            return i;
    }
    return -1;
}

qsizetype TIniDocument::SectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < FLines.size() && Classify(FLines[i], false).Kind != lkSection)
        ++i;
    return i;
}

qsizetype TIniDocument::FindKey(qsizetype header, const QByteArray& name) const {
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const TLineInfo info = Classify(FLines[i], false);
        if (info.Kind == lkKey && SameName(info.Name, name))
            return i;
    }
    return -1;
}

std::optional<QByteArray> TIniDocument::RawValue(const QString& section,
                                                 const QString& ident) const {
    const auto sec = MatchName(section);
    const auto key = MatchName(ident);
    if (!sec || !key)
        return std::nullopt;
    const qsizetype header = FindSection(*sec);
    if (header < 0)
        return std::nullopt;
    const qsizetype line = FindKey(header, *key);
    if (line < 0)
        return std::nullopt;
    return Unquote(Classify(FLines[line], false).Value).toByteArray();
}

QString TIniDocument::ReadString(const QString& section, const QString& ident,
                                 const QString& def) const {
    const auto raw = RawValue(section, ident);
    return raw ? Cp932::Decode(raw->left(WholeCharsWithin(*raw, kIniMaxValueBytes))) : def;
}

QString TIniDocument::CutValue(const QString& value) {
    const QByteArray bytes = Cp932::Encode(value);
    return Cp932::Decode(bytes.left(WholeCharsWithin(bytes, kIniMaxValueBytes)));
}

bool TIniDocument::IsUtf16(QByteArrayView bytes) {
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

bool TIniDocument::ValueExists(const QString& section, const QString& ident) const {
    return RawValue(section, ident).has_value();
}

QString TIniDocument::CheckWrite(const QString& section, const QString& ident,
                                 const QString& value) {
    const auto hasBreak = [](const QString& s) { return s.contains(u'\r') || s.contains(u'\n'); };
    if (hasBreak(section) || hasBreak(ident) || hasBreak(value))
        return QStringLiteral("セクション名、キー名、値に改行は使えません");
    if (section.contains(u']'))
        return QStringLiteral("セクション名に ] は使えません");
    QStringView key(ident);
    while (!key.isEmpty() && IsBlank(key.front().toLatin1()))
        key = key.sliced(1);
    while (!key.isEmpty() && IsBlank(key.back().toLatin1()))
        key.chop(1);
    if (key.isEmpty())
        return QStringLiteral("キー名が空です");
    if (ident.contains(u'='))
        return QStringLiteral("キー名に = は使えません");
    if (key.front() == u';' || key.front() == u'[')
        return QStringLiteral("キー名を ; や [ で始めることはできません");
    for (const QString* text : {&section, &ident, &value})
        if (const qsizetype bad = Cp932::FirstUnencodable(*text); bad >= 0)
            return QStringLiteral("文字 %1 は Shift-JIS で表せません")
                .arg(DescribeCharacter(Cp932::CharacterAt(*text, bad)));
    // What is written must read back as the same names and value; stray
    // bytes (a lone lead byte before "]" or "=") could make it read otherwise.
    const QByteArray header = SectionLine(section);
    const TLineInfo h = Classify(header, false);
    const QByteArray line = KeyLine(ident, value);
    const TLineInfo k = Classify(line, false);
    if (h.Kind != lkSection || h.Name != Trim(Cp932::Encode(section)) || k.Kind != lkKey ||
        k.Name != Trim(Cp932::Encode(ident)) || Cp932::Decode(Unquote(k.Value)) != value)
        return QStringLiteral("この名前または値は INI ファイルに正しく書けません");
    return {};
}

void TIniDocument::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (const QString reason = CheckWrite(section, ident, value); !reason.isEmpty())
        throw EIniFileException(reason);
    // Encoding first: a character CP932 cannot hold raises before any change.
    const QByteArray sectionLine = SectionLine(section);
    const QByteArray line = KeyLine(ident, value);
    const qsizetype header = FindSection(Trim(Cp932::Encode(section)).toByteArray());
    if (header < 0) {
        FLines << sectionLine << line;
        return;
    }
    const qsizetype existing = FindKey(header, Trim(Cp932::Encode(ident)).toByteArray());
    if (existing >= 0) {
        // Keep the key as spelled in the file; only the value changes.
        FLines[existing] =
            FLines[existing].left(Classify(FLines[existing], existing == 0).ValueStart) +
            Cp932::Encode(QuoteIfNeeded(value));
        return;
    }
    qsizetype insertAt = header + 1;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (Classify(FLines[i], false).Kind == lkKey)
            insertAt = i + 1;
    FLines.insert(insertAt, line);
}

bool TIniDocument::DeleteKey(const QString& section, const QString& ident) {
    const auto sec = MatchName(section);
    const auto key = MatchName(ident);
    if (!sec || !key)
        return false;
    const qsizetype header = FindSection(*sec);
    if (header < 0)
        return false;
    // Later duplicates go too, or the key would still read as present.
    bool removed = false;
    for (qsizetype line; (line = FindKey(header, *key)) >= 0; removed = true)
        FLines.removeAt(line);
    return removed;
}

QStringList TIniDocument::ReadSections() const {
    QStringList names;
    QList<QByteArray> seen;
    for (qsizetype i = 0; i < FLines.size(); ++i) {
        const TLineInfo info = Classify(FLines[i], i == 0);
        if (info.Kind != lkSection)
            continue;
        if (std::none_of(seen.begin(), seen.end(),
                         [&](const QByteArray& s) { return SameName(s, info.Name); })) {
            seen << info.Name.toByteArray();
            names << Cp932::Decode(info.Name);
        }
    }
    return names;
}

QStringList TIniDocument::ReadSection(const QString& section) const {
    QStringList keys;
    const auto sec = MatchName(section);
    const qsizetype header = sec ? FindSection(*sec) : -1;
    if (header < 0)
        return keys;
    QList<QByteArray> seen;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const TLineInfo info = Classify(FLines[i], false);
        if (info.Kind != lkKey)
            continue;
        if (std::none_of(seen.begin(), seen.end(),
                         [&](const QByteArray& s) { return SameName(s, info.Name); })) {
            seen << info.Name.toByteArray();
            keys << Cp932::Decode(info.Name);
        }
    }
    return keys;
}

// --- TIniFile ---------------------------------------------------------------

EIniWriteError::EIniWriteError(const QString& fileName, const QString& reason)
    : EIniFileException(reason.isEmpty()
                            ? QStringLiteral("%1 に書き込めません").arg(fileName)
                            : QStringLiteral("%1 に書き込めません: %2").arg(fileName, reason)),
      FFileName(fileName), FReason(reason) {}

TIniFile::TIniFile(QString fileName) : FFileName(std::move(fileName)) {}

TIniDocument TIniFile::Load() const {
    return ReadDocument(FFileName);
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& def) {
    return Load().ReadString(section, ident, def);
}

bool TIniFile::ValueExists(const QString& section, const QString& ident) const {
    return Load().ValueExists(section, ident);
}

QStringList TIniFile::ReadSections() const {
    return Load().ReadSections();
}

QStringList TIniFile::ReadSection(const QString& section) const {
    return Load().ReadSection(section);
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    // Refused input never takes the lock.
    if (const QString reason = TIniDocument::CheckWrite(section, ident, value); !reason.isEmpty())
        RaiseWriteError(FFileName, reason);
    TIniBatch batch(FFileName);
    batch.WriteString(section, ident, value);
    batch.Commit();
}

bool TIniFile::DeleteKey(const QString& section, const QString& ident) {
    try {
        TIniBatch batch(FFileName);
        const bool removed = batch.DeleteKey(section, ident);
        batch.Commit();
        return removed;
    } catch (const Exception&) {
        return false;
    }
}

// --- TIniBatch --------------------------------------------------------------

TIniBatch::TIniBatch(const QString& fileName) : FFileName(fileName) {
    if (FFileName.isEmpty())
        RaiseWriteError(FFileName);
    FResolved = ResolvedPath(FFileName);
    // A FIFO, a device or a folder is left as it is: not even a lock file
    // goes beside it.
    if (const QString reason = NotRegularFile(FResolved); !reason.isEmpty())
        RaiseWriteError(FFileName, reason);
    const int fd = OpenLockFile(FResolved + QStringLiteral(".lock"));
    if (fd < 0)
        RaiseWriteError(FFileName);
    switch (LockWithin(fd, std::chrono::milliseconds(kIniLockWaitMs))) {
    case TLockResult::Locked:
        FLockFd = fd;
        break;
    case TLockResult::TimedOut:
        RaiseWriteError(FFileName, QStringLiteral("ほかのプログラムが書き込み中です"));
    case TLockResult::Failed:
        RaiseWriteError(FFileName);
    }
    // Read under the lock: another process may have written meanwhile.
    // What cannot be read is never rewritten, or it would be lost.
    QByteArray bytes;
    QString reason;
    switch (ReadRegularFile(FResolved, bytes, reason)) {
    case TReadResult::Missing:
        break;
    case TReadResult::Read:
        FUtf16 = TIniDocument::IsUtf16(bytes);
        if (!FUtf16)
            FDoc = TIniDocument(bytes);
        break;
    case TReadResult::NotRegular:
    case TReadResult::Failed:
        ::close(FLockFd);
        RaiseWriteError(FFileName, reason);
    }
    FOpen = true;
}

TIniBatch::~TIniBatch() {
    Close();
}

QString TIniBatch::ReadString(const QString& section, const QString& ident, const QString& def) {
    return FDoc.ReadString(section, ident, def);
}

bool TIniBatch::ValueExists(const QString& section, const QString& ident) const {
    return FDoc.ValueExists(section, ident);
}

QStringList TIniBatch::ReadSections() const {
    return FDoc.ReadSections();
}

void TIniBatch::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (const QString reason = TIniDocument::CheckWrite(section, ident, value); !reason.isEmpty())
        RaiseWriteError(FFileName, reason);
    Apply([&](TIniDocument& doc) {
        doc.WriteString(section, ident, value);
        return true;
    });
}

bool TIniBatch::DeleteKey(const QString& section, const QString& ident) {
    bool removed = false;
    try {
        Apply([&](TIniDocument& doc) { return removed = doc.DeleteKey(section, ident); });
    } catch (const Exception&) {
        return false;
    }
    return removed;
}

void TIniBatch::Apply(const std::function<bool(TIniDocument&)>& change) {
    if (!FOpen)
        RaiseWriteError(FFileName);
    if (FUtf16)
        RaiseWriteError(FFileName, QStringLiteral("UTF-16 のファイルは扱えません"));
    // A change that raises leaves the document as it was (encoding comes
    // before any edit).
    if (change(FDoc))
        FChanged = true;
}

void TIniBatch::Commit() {
    // The batch ends here whatever happens; a failed replace leaves the old
    // file.
    struct TEnd {
        TIniBatch& Batch;
        ~TEnd() { Batch.Close(); }
    } end{*this};
    if (!FOpen || !FChanged)
        return;
    const QByteArray after = FDoc.Bytes();
    QSaveFile out(FResolved);
    if (!out.open(QIODevice::WriteOnly))
        RaiseWriteError(FFileName);
    if (out.write(after) != after.size()) {
        out.cancelWriting();
        RaiseWriteError(FFileName);
    }
    if (!out.commit())
        RaiseWriteError(FFileName);
}

void TIniBatch::Close() {
    if (!FOpen)
        return;
    FOpen = false;
    ::close(FLockFd);
    FLockFd = -1;
}

// --- TIniSnapshot -----------------------------------------------------------

TIniSnapshot::TIniSnapshot(const QString& fileName)
    : FFileName(fileName), FDoc(ReadDocument(fileName)) {}

QString TIniSnapshot::ReadString(const QString& section, const QString& ident, const QString& def) {
    return FDoc ? FDoc->ReadString(section, ident, def)
                : TIniFile(FFileName).ReadString(section, ident, def);
}

void TIniSnapshot::WriteString(const QString& section, const QString& ident, const QString& value) {
    FDoc.reset(); // whatever happens, the file may have changed
    TIniFile(FFileName).WriteString(section, ident, value);
}

bool TIniSnapshot::DeleteKey(const QString& section, const QString& ident) {
    FDoc.reset();
    return TIniFile(FFileName).DeleteKey(section, ident);
}
