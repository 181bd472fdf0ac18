// A form with a drop target, an editor, and a panel with a drop target and an
// editor of its own, for the drag and drop check under X. Prints READY once
// the window is on screen, "MOVE x y" for every drag position the window gets
// (screen coordinates), then for every drop "DROP who x y count", one
// "FILE path" per file and, once the drop is fully handled, "EDITORS n m"
// with the two editors' character counts (a swallowed drop would have typed a
// URL).
#include "Application.h"
#include "DropDst.h"

#include <QDropEvent>
#include <QFrame>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

void Say(const QString& line) {
    std::fputs((line + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Reports the drag positions the window is handed.
class TMoveReporter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::DragMove && watched->isWindowType()) {
            const QPoint at = static_cast<QWindow*>(watched)->mapToGlobal(
                static_cast<QDropEvent*>(event)->position().toPoint());
            Say(QStringLiteral("MOVE %1 %2").arg(at.x()).arg(at.y()));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QWidget form;
    form.setWindowTitle(QStringLiteral("drop target"));
    form.setGeometry(0, 0, 400, 300);
    auto* edit = new QPlainTextEdit(&form);
    edit->setGeometry(20, 20, 360, 120);
    auto* panel = new QFrame(&form);
    panel->setGeometry(20, 160, 360, 120);
    auto* panelEdit = new QPlainTextEdit(panel);
    panelEdit->setGeometry(10, 10, 340, 100);

    const auto report = [&](const QString& who) {
        return [&, who](QObject*, const QStringList& files, int x, int y) {
            Say(QStringLiteral("DROP %1 %2 %3 %4").arg(who).arg(x).arg(y).arg(files.size()));
            for (const QString& f : files)
                Say(QStringLiteral("FILE ") + f);
            // After the drop event, when a child would have taken it too.
            QTimer::singleShot(0, &form, [&] {
                Say(QStringLiteral("EDITORS %1 %2")
                        .arg(edit->toPlainText().size())
                        .arg(panelEdit->toPlainText().size()));
            });
        };
    };
    // The inner target made first: the order must not decide.
    auto* panelDrop = new TDropDst(&form);
    panelDrop->SetControl(panel);
    panelDrop->Loaded();
    panelDrop->OnFileDrop = report(QStringLiteral("panel"));
    auto* drop = new TDropDst(&form);
    drop->SetTarget(htForm);
    drop->Loaded();
    drop->OnFileDrop = report(QStringLiteral("form"));

    TMoveReporter moves;
    app.installEventFilter(&moves);
    form.show();
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (form.windowHandle() && form.windowHandle()->isExposed()) {
            ready.stop();
            Say(QStringLiteral("READY"));
        }
    });
    ready.start(10);
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}
