// CPU the shown main window uses while the user does nothing, the caret
// blinking in the editor: with the 10 MB document of one line, and with the
// 10 MB document of 130,000 lines as the floor. Each figure is the process's
// CPU time over 10 s of the real event loop, as a share of one core.
#include "Application.h"
#include "BenchData.h"
#include "Unit1.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

class TPaintCounter : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Count += event->type() == QEvent::Paint;
        return false;
    }
};

// Opens the file through the drop handler in a fresh shown window, puts the
// caret into the editor, lets the first paints settle, then measures
// seconds of the event loop with nothing to do but blink.
void MeasureIdle(benchmark::State& state, const QByteArray& document) {
    const QString path = WriteBenchFile(QStringLiteral("idle.txt"), document);
    TForm1 form;
    form.show();
    form.activateWindow(); // no window manager activates it under Xvfb
    if (!QTest::qWaitForWindowActive(&form))
        qWarning("the window was not activated");
    form.DropDst1FileDrop(nullptr, {path}, 0, 0);
    form.RichEdit1->setFocus();
    QTest::qWait(1500);
    if (!form.RichEdit1->hasFocus())
        qWarning("the editor has no focus: the caret does not blink");
    TPaintCounter paints;
    form.RichEdit1->viewport()->installEventFilter(&paints);
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        const double cpu = ProcessCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        // The application's own loop, which sleeps until there is work
        // (QTest::qWait would wake it every 10 ms).
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double share = (ProcessCpuSeconds() - cpu) / (double(wall.elapsed()) / 1000.0);
        state.counters["core_percent"] = share * 100.0;
        state.counters["paints"] = paints.Count; // the caret's blinks
    }
}

} // namespace

static void BM_IdleWithLongLine(benchmark::State& state) {
    MeasureIdle(state, LongLineCp932Document());
}
BENCHMARK(BM_IdleWithLongLine)->Arg(10)->Unit(benchmark::kSecond)->Iterations(1);

static void BM_FloorIdleWithManyLines(benchmark::State& state) {
    MeasureIdle(state, LargeCp932Document());
}
BENCHMARK(BM_FloorIdleWithManyLines)->Arg(10)->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
