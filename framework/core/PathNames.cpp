#include "PathNames.h"

#include "Cp932.h"

#include <QList>
#include <QSysInfo>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr char16_t kByteEscapeBase = 0xDC00; // escape of byte b (>= 0x80)

bool IsByteEscape(char16_t c) {
    return c >= kByteEscapeBase + 0x80 && c <= kByteEscapeBase + 0xFF;
}

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at p (shortest form, no surrogates, at
// most U+10FFFF), or 0 when there is none.
int Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned b = p[0];
    if (b < 0x80)
        return 1;
    int n;
    unsigned lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0)
            lo = 0xA0; // overlong
        else if (b == 0xED)
            hi = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0)
            lo = 0x90; // overlong
        else if (b == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (end - p < n || p[1] < lo || p[1] > hi)
        return 0;
    for (int i = 2; i < n; ++i)
        if (!IsContinuation(p[i]))
            return 0;
    return n;
}

bool IsUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const int n = Utf8SequenceLength(p, end);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

QString DisplayComponent(QByteArrayView bytes) {
    if (IsUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString text = Cp932::Decode(bytes);
    for (QChar& c : text)
        if (Cp932::IsEscape(c.unicode()))
            c = QChar::ReplacementCharacter;
    return text;
}

bool Exists(const QByteArray& path) {
    struct stat st;
    return lstat(path.constData(), &st) == 0;
}

using TFolder = std::unique_ptr<DIR, int (*)(DIR*)>;

// The folder for readdir; an empty name is the current folder.
TFolder OpenFolder(const QByteArray& folder) {
    return TFolder(opendir(folder.isEmpty() ? "." : folder.constData()), closedir);
}

// The entries of folder whose name reads as name, in DisplayPath's form or
// in the lossy form Qt's own listing gives.
QList<QByteArray> EntriesReadingAs(const QByteArray& folder, const QString& name) {
    QList<QByteArray> found;
    const TFolder dir = OpenFolder(folder);
    if (!dir)
        return found;
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArrayView bytes(entry->d_name);
        if (DisplayComponent(bytes) == name || QString::fromUtf8(bytes) == name)
            found.append(bytes.toByteArray());
    }
    return found;
}

} // namespace

QString PathFromBytes(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* start = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = start + bytes.size();
    const auto* p = start;
    while (p < end) {
        const int n = Utf8SequenceLength(p, end);
        if (n == 0) {
            out.append(QChar(char16_t(kByteEscapeBase + *p)));
            ++p;
            continue;
        }
        // The longest valid run at once.
        const auto* run = p;
        while (p < end) {
            const int m = Utf8SequenceLength(p, end);
            if (m == 0)
                break;
            p += m;
        }
        out.append(QString::fromUtf8(reinterpret_cast<const char*>(run), p - run));
    }
    return out;
}

QByteArray PathToBytes(QStringView path) {
    QByteArray out;
    out.reserve(path.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        // The low half of a surrogate pair is a character's, not an escape.
        if (!IsByteEscape(c) || (i > 0 && path[i - 1].isHighSurrogate()))
            continue;
        out.append(path.mid(from, i - from).toUtf8());
        out.append(char(c - kByteEscapeBase));
        from = i + 1;
    }
    out.append(path.mid(from).toUtf8());
    return out;
}

QString DisplayPath(QStringView path) {
    const QByteArray bytes = PathToBytes(path);
    QStringList parts;
    for (const QByteArray& part : bytes.split('/'))
        parts.append(DisplayComponent(part));
    return parts.join(u'/');
}

std::optional<QString> LocalPathFromFileUrl(const QUrl& url) {
    if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString host = url.host();
    const bool local = host.isEmpty() ||
                       host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
                       host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
    if (!local)
        return std::nullopt;
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty())
        return std::nullopt;
    return PathFromBytes(bytes);
}

QUrl FileUrlFromLocalPath(const QString& path) {
    return QUrl::fromEncoded("file://" + PathToBytes(path).toPercentEncoding("/"));
}

QStringList FilesNamedNotInUtf8(const QString& folder) {
    QStringList names;
    const TFolder dir = OpenFolder(PathToBytes(folder));
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        struct stat st;
        if (IsUtf8(name) || fstatat(dirfd(dir.get()), entry->d_name, &st, 0) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        names.append(PathFromBytes(name));
    }
    return names;
}

QString ResolveChosenPath(const QString& path) {
    const QByteArray bytes = PathToBytes(path);
    if (path.isEmpty() || Exists(bytes))
        return path;
    const QStringList parts = path.split(u'/');
    QByteArray resolved;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            resolved.append('/');
        const QByteArray part = PathToBytes(parts[i]);
        if (part.isEmpty() || Exists(resolved + part)) {
            resolved.append(part);
            continue;
        }
        const QList<QByteArray> found = EntriesReadingAs(resolved, parts[i]);
        if (found.size() != 1)
            return path;
        resolved.append(found.constFirst());
    }
    return PathFromBytes(resolved);
}
