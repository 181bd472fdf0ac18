#include "IniFile.h"

#include "Cp932.h"
#include "SysUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

bool IsLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
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

// Equal ignoring ASCII case, double-byte characters compared exactly.
bool SameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        if (IsLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
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

// Holds an exclusive flock on a lock file for its lifetime.
class TFileLock {
public:
    explicit TFileLock(const QString& path) {
        FFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (FFd < 0)
            return;
        int rc;
        do {
            rc = ::flock(FFd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(FFd);
            FFd = -1;
        }
    }
    ~TFileLock() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    bool Locked() const { return FFd >= 0; }

private:
    int FFd = -1;
};

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
    return raw ? Cp932::Decode(*raw).left(kIniMaxValueLength) : def;
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
    if (!Cp932::CanEncode(section) || !Cp932::CanEncode(ident) || !Cp932::CanEncode(value))
        return QStringLiteral("Shift-JIS で表せない文字は書けません");
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

TIniFile::TIniFile(QString fileName) : FFileName(std::move(fileName)) {}

TIniDocument TIniFile::Load() const {
    QFile file(FFileName);
    if (FFileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return TIniDocument(file.readAll());
}

QString TIniFile::ReadString(const QString& section, const QString& ident,
                             const QString& def) const {
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

void TIniFile::RaiseWriteError() const {
    throw EIniFileException(QStringLiteral("%1 に書き込めません").arg(FFileName));
}

void TIniFile::Modify(const std::function<bool(TIniDocument&)>& change) {
    if (FFileName.isEmpty())
        RaiseWriteError();
    const TFileLock lock(FFileName + QStringLiteral(".lock"));
    if (!lock.Locked())
        RaiseWriteError();
    // Re-read under the lock: another process may have written meanwhile.
    QByteArray before;
    const QFileInfo info(FFileName);
    if (info.exists()) {
        QFile file(FFileName);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly))
            RaiseWriteError(); // rewriting what we cannot read would lose it
        before = file.readAll();
        if (file.error() != QFileDevice::NoError)
            RaiseWriteError();
    }
    TIniDocument doc(before);
    if (!change(doc))
        return;
    const QByteArray after = doc.Bytes();
    QSaveFile out(FFileName);
    if (!out.open(QIODevice::WriteOnly))
        RaiseWriteError();
    if (out.write(after) != after.size()) {
        out.cancelWriting();
        RaiseWriteError();
    }
    if (!out.commit())
        RaiseWriteError();
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (const QString reason = TIniDocument::CheckWrite(section, ident, value); !reason.isEmpty())
        throw EIniFileException(QStringLiteral("%1 に書き込めません: %2").arg(FFileName, reason));
    Modify([&](TIniDocument& doc) {
        doc.WriteString(section, ident, value);
        return true;
    });
}

bool TIniFile::DeleteKey(const QString& section, const QString& ident) {
    bool removed = false;
    try {
        Modify([&](TIniDocument& doc) { return removed = doc.DeleteKey(section, ident); });
    } catch (const Exception&) {
        return false;
    }
    return removed;
}
