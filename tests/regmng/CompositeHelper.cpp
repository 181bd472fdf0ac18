// The program's other run for the composite-value tests: stores a font, a
// string list and a panel through the INI store and the registry store, or
// reads them back and checks them.
//
//   composite_helper write|check INI_FILE REGISTRY_DATABASE
//
// Exit status 0 when done (check: everything read back equal), 1 otherwise.
#include "CompositeTestClasses.h"
#include "RegMng.h"
#include "Registry.h"

#include <QApplication>
#include <cstdio>

namespace {

void Setup(TRegManager& manager, const QStringList& a) {
    TRegIniFile::SetDatabasePath(a[3]);
    manager.SetIniFileName(a[2]);
    manager.SetRegDir(QStringLiteral("Software\\VexlaTest"));
    for (const char* name : {"Font", "List", "Panel"}) {
        TRegItem* item = manager.RegItems()->Add();
        item->SetName(QString::fromLatin1(name));
        item->SetSection(QStringLiteral("Composite\\Values"));
        item->SetIdent(QString::fromLatin1(name));
    }
}

bool Fail(const char* what, TRegType store) {
    std::fprintf(stderr, "%s differs (%s)\n", what, store == rtIni ? "INI" : "registry");
    return false;
}

void Write(TRegManager& manager) {
    QWidget form;
    TTestPanel* panel = MakeExpectedPanel(&form);
    const TStringList strings(ExpectedStrings());
    manager.Filer(QStringLiteral("Font"))->WriteFont(ExpectedFont());
    manager.Filer(QStringLiteral("List"))->WriteStrings(strings);
    manager.Filer(QStringLiteral("Panel"))->WriteComponent(panel);
}

bool Check(TRegManager& manager, TRegType store) {
    TFont font;
    manager.Filer(QStringLiteral("Font"))->ReadFont(font);
    if (!(font == ExpectedFont()))
        return Fail("font", store);
    TStringList strings;
    manager.Filer(QStringLiteral("List"))->ReadStrings(strings);
    if (strings.List() != ExpectedStrings())
        return Fail("strings", store);
    QWidget form;
    auto* old = new TTestPanel(&form);
    old->setObjectName(QStringLiteral("Panel1"));
    auto* panel =
        qobject_cast<TTestPanel*>(manager.Filer(QStringLiteral("Panel"))->ReadComponent(old));
    auto* label = panel ? panel->findChild<TTestLabel*>(QStringLiteral("Label1")) : nullptr;
    if (!panel || panel == old || panel->parent() != &form || !label ||
        panel->FCaption != QStringLiteral("パネル") || panel->FColor != 0x123456 ||
        panel->geometry() != QRect(8, 16, 120, 60) || label->FCaption != QStringLiteral("ラベル"))
        return Fail("panel", store);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 4 || (a[1] != u"write" && a[1] != u"check")) {
        std::fputs("usage: composite_helper write|check INI_FILE REGISTRY_DATABASE\n", stderr);
        return 2;
    }
    RegisterTestClasses();
    TRegManager manager;
    Setup(manager, a);
    try {
        bool ok = true;
        for (const TRegType store : {rtIni, rtReg}) {
            manager.SetRegType(store);
            if (a[1] == u"write")
                Write(manager);
            else
                ok = Check(manager, store) && ok;
        }
        return ok ? 0 : 1;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
        return 1;
    }
}
