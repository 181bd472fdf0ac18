// A second process for the store tests: writes INI keys or registry values
// while the test process (or another helper) does the same.
//
//   store_helper ini-write FILE PREFIX COUNT   sections PREFIX\i, key k = i
//   store_helper ini-batch FILE VALUE COUNT PAUSE_MS
//                                   sections S\i, key k = VALUE, all in one
//                                   batch, printing WROTE i after each write
//                                   and pausing
//   store_helper ini-hold FILE SECONDS         holds the file's lock; prints
//                                              LOCKED once it has it
//   store_helper reg-write DATABASE PREFIX COUNT
//                                   values PREFIXi = i below Software\Vexla\Test
//   store_helper reg-damaged DATABASE NAME     writes NAME = 1 below
//                                   Software\Vexla\Test; a report of a
//                                   damaged database is printed and the
//                                   write tried once more
#include "IniFile.h"
#include "Registry.h"
#include "SysUtils.h"

#include <QCoreApplication>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

int Usage() {
    std::fputs("usage: store_helper ini-write|ini-batch|ini-hold|reg-write|reg-damaged ARGS...\n",
               stderr);
    return 2;
}

void IniWrite(const QStringList& a) {
    TIniFile ini(a[2]);
    for (int i = 0, n = a[4].toInt(); i < n; ++i)
        ini.WriteString(a[3] + u'\\' + QString::number(i), QStringLiteral("k"), QString::number(i));
}

void IniBatch(const QStringList& a) {
    TIniBatch batch(a[2]);
    for (int i = 0, n = a[4].toInt(); i < n; ++i) {
        batch.WriteString(QStringLiteral("S\\%1").arg(i), QStringLiteral("k"), a[3]);
        std::printf("WROTE %d\n", i);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(a[5].toInt()));
    }
    batch.Commit();
}

void IniHold(const QStringList& a) {
    TIniBatch batch(a[2]);
    std::puts("LOCKED");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(a[3].toInt()));
}

void RegWrite(const QStringList& a) {
    TRegIniFile::SetDatabasePath(a[2]);
    for (int i = 0, n = a[4].toInt(); i < n; ++i)
        TRegIniFile(QStringLiteral("Software\\Vexla"))
            .WriteString(QStringLiteral("Test"), a[3] + QString::number(i), QString::number(i));
}

void RegDamaged(const QStringList& a) {
    TRegIniFile::SetDatabasePath(a[2]);
    const auto write = [&] {
        TRegIniFile(QStringLiteral("Software\\Vexla"))
            .WriteString(QStringLiteral("Test"), a[3], QStringLiteral("1"));
    };
    try {
        write();
    } catch (const ERegistryException& e) {
        std::printf("REPORTED %s\n", e.Message().toUtf8().constData());
        write();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    try {
        if (a.size() == 5 && a[1] == u"ini-write")
            IniWrite(a);
        else if (a.size() == 6 && a[1] == u"ini-batch")
            IniBatch(a);
        else if (a.size() == 4 && a[1] == u"ini-hold")
            IniHold(a);
        else if (a.size() == 5 && a[1] == u"reg-write")
            RegWrite(a);
        else if (a.size() == 4 && a[1] == u"reg-damaged")
            RegDamaged(a);
        else
            return Usage();
    } catch (const Exception& e) {
        std::fputs(e.Message().toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
