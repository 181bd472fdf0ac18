// Whole-file byte access for tests, and test inputs as bytes.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The text as UTF-16 in the given byte order, with its byte-order mark when
// mark is set.
inline QByteArray Utf16(const QString& text, bool bigEndian, bool mark = true) {
    QByteArray out;
    if (mark)
        out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}
