// A window that starts a file drag of its arguments when pressed, for the
// drag and drop checks under X. Prints READY once on screen, PRESSED at each
// press and "DRAGGED action" when a drag ends. The event loop keeps running after the drag:
// the X drag protocol finishes its exchange with the target from it.
// Usage: ctlhook_dragsource [--at=X,Y] FILE... (the window's top-left corner,
// 600,100 by default; it is 200 x 200).
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace {
class TSource : public QWidget {
public:
    explicit TSource(QStringList files) : FFiles(std::move(files)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        std::puts("PRESSED");
        std::fflush(stdout);
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& f : FFiles)
            urls.append(QUrl::fromLocalFile(f));
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
        std::printf("DRAGGED %d\n", int(action));
        std::fflush(stdout);
    }

private:
    QStringList FFiles;
};
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    QPoint at(600, 100);
    if (!files.isEmpty() && files.constFirst().startsWith(QLatin1String("--at="))) {
        const QStringList xy = files.takeFirst().mid(5).split(u',');
        if (xy.size() == 2)
            at = QPoint(xy[0].toInt(), xy[1].toInt());
    }
    TSource source(files);
    source.setGeometry(at.x(), at.y(), 200, 200);
    source.show();
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (source.windowHandle() && source.windowHandle()->isExposed()) {
            ready.stop();
            std::puts("READY");
            std::fflush(stdout);
        }
    });
    ready.start(10);
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}
