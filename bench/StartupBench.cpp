// Process start to the main window's first paint. Each start is a fresh
// process of this program that builds the application and the window as
// the program does and reports the time of its first paint against the clock
// read here just before it was spawned.
#include "Application.h"
#include "Unit1.h"

#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr const char* kChildFlag = "--first-paint-child";

std::int64_t MonotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

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

int RunChild(int argc, char** argv, std::int64_t startedNs) {
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vexla"));
    TForm1 form;
    TFirstPaintProbe probe(startedNs);
    form.installEventFilter(&probe);
    form.show();
    return app.exec();
}

std::string gSelf;

double StartOnce() {
    const std::string cmd =
        gSelf + " " + kChildFlag + " " + std::to_string(MonotonicNs()) + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    double ms = -1;
    if (p) {
        if (std::fscanf(p, "first-paint-ms %lf", &ms) != 1)
            ms = -1;
        pclose(p);
    }
    return ms;
}

} // namespace

static void BM_StartToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        const double ms = StartOnce();
        if (ms < 0) {
            state.SkipWithError("the window did not report its first paint");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
}
BENCHMARK(BM_StartToFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        int childArgc = 1;
        return RunChild(childArgc, argv, std::stoll(argv[2]));
    }
    gSelf = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
