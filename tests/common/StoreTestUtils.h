// Small helpers shared by the store tests.
#pragma once

#include "TestFiles.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#ifdef STORE_HELPER
// Starts the helper executable with args (not waiting for it).
inline QProcess* StartHelper(const QStringList& args, QObject* parent = nullptr) {
    auto* p = new QProcess(parent);
    p->start(QStringLiteral(STORE_HELPER), args);
    return p;
}

// The same as user nobody; the caller must be root.
inline QProcess* StartHelperAsNobody(const QStringList& args, QObject* parent = nullptr) {
    auto* p = new QProcess(parent);
    p->start(QStringLiteral("setpriv"),
             QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                         QStringLiteral("--clear-groups"), QStringLiteral(STORE_HELPER)} +
                 args);
    return p;
}
#endif

// Waits until the process has printed line; false when it ends or the time
// runs out first.
inline bool WaitForLine(QProcess* p, const QByteArray& line, int timeoutMs = 20000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (p->canReadLine() || p->waitForReadyRead(int(deadline.remainingTime()))) {
            while (p->canReadLine())
                if (p->readLine().trimmed() == line)
                    return true;
        } else if (p->state() == QProcess::NotRunning) {
            return false;
        }
    }
    return false;
}

// Whether another open file holds an flock on path (probing takes and drops
// the lock at once when it is free).
inline bool LockedElsewhere(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}
