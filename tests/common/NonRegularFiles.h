// Paths that are not regular files, for the tests that must see a settings
// file of that kind left alone. Nothing here opens them.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <string>
#include <sys/stat.h>

struct TNonRegularFile {
    const char* Name;   // names the test row
    const char* Reason; // why a write to it is refused
};

inline constexpr TNonRegularFile kNonRegularFiles[] = {
    {"Fifo", "通常のファイルではありません"},
    {"Folder", "フォルダーです"},
    {"LinkToDevice", "通常のファイルではありません"},
    {"LinkToFifo", "通常のファイルではありません"},
};

// Makes the kind in dir as name and returns its path; the device is
// /dev/null.
inline QString MakeNonRegularFile(const TNonRegularFile& kind, const QString& dir,
                                  const QString& name = QStringLiteral("vexla.ini")) {
    const QString path = QDir(dir).filePath(name);
    const std::string k = kind.Name;
    if (k == "LinkToDevice") {
        QFile::link(QStringLiteral("/dev/null"), path);
        return path;
    }
    if (k == "Folder") {
        QDir().mkpath(path);
        return path;
    }
    const QString fifo = k == "Fifo" ? path : QDir(dir).filePath(QStringLiteral("fifo"));
    ::mkfifo(QFile::encodeName(fifo).constData(), 0644);
    if (k == "LinkToFifo")
        QFile::link(fifo, path);
    return path;
}

// A lock file beside the path or beside what a link leads to. Compare
// before and after: /dev is shared with whatever else runs on the machine.
inline bool HasLockFile(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    return QFileInfo::exists(path + QStringLiteral(".lock")) ||
           (!target.isEmpty() && QFileInfo::exists(target + QStringLiteral(".lock")));
}

// The kind and identity of what path names (links followed), to see that it
// was left as it was.
inline std::pair<mode_t, ino_t> FileIdentity(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return {st.st_mode, st.st_ino};
}
