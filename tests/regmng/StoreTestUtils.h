// Small helpers shared by the store tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Starts the helper executable with args (not waiting for it).
inline QProcess* StartHelper(const QStringList& args, QObject* parent = nullptr) {
    auto* p = new QProcess(parent);
    p->start(QStringLiteral(REGMNG_HELPER), args);
    return p;
}
