// A window that starts a file drag of its arguments when pressed, for the
// drag and drop check under X. The event loop keeps running after the drag:
// the X drag protocol finishes its exchange with the target from it.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {
class TSource : public QWidget {
public:
    explicit TSource(QStringList files) : FFiles(std::move(files)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
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
    TSource source(app.arguments().mid(1));
    source.setGeometry(600, 100, 200, 200);
    source.show();
    QTimer::singleShot(500, &source, [] {
        std::puts("READY");
        std::fflush(stdout);
    });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}
