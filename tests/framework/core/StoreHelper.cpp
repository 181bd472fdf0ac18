// A second process for the store tests: writes INI keys or registry values
// while the test process (or another helper) does the same.
//
//   store_helper ini-write FILE PREFIX COUNT   sections PREFIX\i, key k = i
//   store_helper reg-write DATABASE PREFIX COUNT
//                                   values PREFIXi = i below Software\Vexla\Test
#include "IniFile.h"
#include "Registry.h"
#include "SysUtils.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

int Usage() {
    std::fputs("usage: store_helper ini-write|reg-write ARGS...\n", stderr);
    return 2;
}

void IniWrite(const QStringList& a) {
    TIniFile ini(a[2]);
    for (int i = 0, n = a[4].toInt(); i < n; ++i)
        ini.WriteString(a[3] + u'\\' + QString::number(i), QStringLiteral("k"), QString::number(i));
}

void RegWrite(const QStringList& a) {
    TRegIniFile::SetDatabasePath(a[2]);
    for (int i = 0, n = a[4].toInt(); i < n; ++i)
        TRegIniFile(QStringLiteral("Software\\Vexla"))
            .WriteString(QStringLiteral("Test"), a[3] + QString::number(i), QString::number(i));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    try {
        if (a.size() == 5 && a[1] == u"ini-write")
            IniWrite(a);
        else if (a.size() == 5 && a[1] == u"reg-write")
            RegWrite(a);
        else
            return Usage();
    } catch (const Exception& e) {
        std::fputs(e.Message().toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
