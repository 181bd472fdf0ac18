// Conversion, open and save on a 10 MB, 130,000-line document in the shown
// main window.
#include "Application.h"
#include "BenchData.h"
#include "RichEdit.h"
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

TForm1& ShownForm() {
    static TForm1* form = [] {
        auto* f = new TForm1;
        f->show();
        if (!QTest::qWaitForWindowExposed(f))
            qWarning("the window was not exposed");
        return f;
    }();
    return *form;
}

void Settle() {
    QCoreApplication::processEvents();
}

double PeakRssMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QString LargeFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("large.txt"));
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(LargeCp932Document());
        return p;
    }();
    return path;
}

} // namespace

static void BM_ConvertLargeDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    const QString text = LargeDocumentText();
    for (auto _ : state) {
        state.PauseTiming();
        form.RichEdit1->Lines().SetText(text);
        Settle();
        state.ResumeTiming();
        form.ShineSpeedButton3Click(nullptr);
        Settle();
    }
}
BENCHMARK(BM_ConvertLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(10);

static void BM_OpenLargeDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    const QString path = LargeFile();
    for (auto _ : state) {
        form.RichEdit1->Lines().Clear();
        form.RichEdit1->Lines().LoadFromFile(path);
        form.RichEdit1->repaint(); // until the editor shows it
        Settle();
    }
    // The whole process: the window, the loaded document and the benchmark's
    // own copy of the file's bytes.
    state.counters["peak_rss_MB"] = PeakRssMB();
}
BENCHMARK(BM_OpenLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(5);

static void BM_SaveLargeDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    form.RichEdit1->Lines().LoadFromFile(LargeFile());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("page.htm"));
    for (auto _ : state)
        form.RichEdit1->Lines().SaveToFile(out);
}
BENCHMARK(BM_SaveLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
