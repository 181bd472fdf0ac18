#include "Application.h"
#include "Unit1.h"

#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

std::int64_t MonotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// For the start-up benchmark: VEXLA_STARTED_NS holds the launcher's
// monotonic clock at spawn; print the time to the first paint and quit.
class TFirstPaintProbe : public QObject {
public:
    explicit TFirstPaintProbe(std::int64_t startedNs) : FStartedNs(startedNs) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !FDone) {
            FDone = true;
            QTimer::singleShot(0, [this] {
                std::printf("first-paint-ms %.3f\n", double(MonotonicNs() - FStartedNs) / 1e6);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    std::int64_t FStartedNs;
    bool FDone = false;
};

} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vexla"));
    app.SetTitle(QStringLiteral("Vexla"));
    TForm1 form;
    const QByteArray started = qgetenv("VEXLA_STARTED_NS");
    TFirstPaintProbe probe(started.toLongLong());
    if (!started.isEmpty())
        form.installEventFilter(&probe);
    form.show();
    return app.exec();
}
