// Small helpers shared by the store tests.
#pragma once

#include "TestFiles.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>


// Starts the helper executable with args (not waiting for it).
inline QProcess* StartHelper(const QStringList& args, QObject* parent = nullptr) {
    auto* p = new QProcess(parent);
    p->start(QStringLiteral(STORE_HELPER), args);
    return p;
}
