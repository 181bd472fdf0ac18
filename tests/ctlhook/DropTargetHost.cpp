// A form with a drop target and an editor covering most of it, for the drag
// and drop check under X. Prints READY once shown, then for every drop
// "DROP x y count", one "FILE path" per file, and soon after "EDITOR n" with
// the editor's character count (a swallowed drop would have typed a URL).
#include "Application.h"
#include "DropDst.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>

namespace {
void Say(const QString& line) {
    std::fputs((line + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QWidget form;
    form.setWindowTitle(QStringLiteral("drop target"));
    form.setGeometry(0, 0, 400, 300);
    auto* edit = new QPlainTextEdit(&form);
    edit->setGeometry(20, 20, 360, 260);
    auto* drop = new TDropDst(&form);
    drop->SetTarget(htForm);
    drop->Loaded();
    drop->OnFileDrop = [edit](QObject*, const QStringList& files, int x, int y) {
        Say(QStringLiteral("DROP %1 %2 %3").arg(x).arg(y).arg(files.size()));
        for (const QString& f : files)
            Say(QStringLiteral("FILE ") + f);
        QTimer::singleShot(300, edit, [edit] {
            Say(QStringLiteral("EDITOR %1").arg(edit->toPlainText().size()));
        });
    };
    form.show();
    QTimer::singleShot(500, &form, [] { Say(QStringLiteral("READY")); });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}
