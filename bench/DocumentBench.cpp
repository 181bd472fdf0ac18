// Conversion, open and save on a 10 MB, 130,000-line document in the shown
// main window.
#include "Application.h"
#include "BenchData.h"
#include "Cp932.h"
#include "RichEdit.h"
#include "TextFile.h"
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
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

// The process's peak resident size since the last ResetPeakRss, from the
// kernel's high-water mark; falls back to the whole run's peak.
void ResetPeakRss() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}
double PeakRssSinceResetMB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return PeakRssMB();
}

QString WriteBenchFile(const QString& name, const QByteArray& bytes) {
    static QTemporaryDir dir;
    const QString p = dir.filePath(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(p));
    return p;
}

QString LargeFile() {
    static const QString path = WriteBenchFile(QStringLiteral("large.txt"), LargeCp932Document());
    return path;
}

QString LongLineFile() {
    static const QString path =
        WriteBenchFile(QStringLiteral("longline.txt"), LongLineCp932Document());
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
        // The drop handler: the loading function Open and drop share.
        form.DropDst1FileDrop(nullptr, {path}, 0, 0);
        form.RichEdit1->repaint(); // until the editor shows it
        Settle();
    }
    // The whole process: the window, the loaded document and the benchmark's
    // own copy of the file's bytes.
    state.counters["peak_rss_MB"] = PeakRssMB();
}
BENCHMARK(BM_OpenLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(5);

// One 10 MB line dropped on the window: read, decode, put into the editor and
// shown, as the program does it. The figures are the first load's, in a
// fresh window (later loads find the fonts' caches warm).
static void BM_DropLongLineDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    const QString path = LongLineFile();
    form.RichEdit1->Lines().Clear();
    Settle();
    ResetPeakRss();
    for (auto _ : state) {
        form.DropDst1FileDrop(nullptr, {path}, 0, 0);
        form.RichEdit1->repaint();
        Settle();
    }
    state.counters["peak_rss_MB"] = PeakRssSinceResetMB();
    state.counters["chars"] = double(form.RichEdit1->document()->characterCount() - 1);
    form.RichEdit1->Lines().Clear();
}
BENCHMARK(BM_DropLongLineDocument)->Unit(benchmark::kMillisecond)->Iterations(1);

// The floor: the same decoded text given to a plain, shown QPlainTextEdit
// without wrapping, and painted.
static void BM_FloorPlainEditLongLine(benchmark::State& state) {
    const QString text = NormalizeLineBreaks(Cp932::Decode(LongLineCp932Document()));
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(800, 600);
    edit.show();
    if (!QTest::qWaitForWindowExposed(&edit))
        qWarning("the editor was not exposed");
    ResetPeakRss();
    for (auto _ : state) {
        edit.setPlainText(text);
        edit.repaint();
        Settle();
    }
    state.counters["peak_rss_MB"] = PeakRssSinceResetMB();
}
BENCHMARK(BM_FloorPlainEditLongLine)->Unit(benchmark::kMillisecond)->Iterations(1);

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
