// Conversion, open and save on a 10 MB, 130,000-line document in the shown
// main window. Open and save are timed as a user first meets them: each
// sample is a fresh process of this program that shows the window, does the
// one command and reports its time, and each is paired with a fresh process
// doing the same work in plain Qt (the floor).
#include "Application.h"
#include "BenchData.h"
#include "Cp932.h"
#include "RichEdit.h"
#include "TextFile.h"
#include "Unit1.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <string>
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

// Drops the file on the window at each iteration until it is shown, and
// reports the peak memory of those drops.
void DropEachIteration(benchmark::State& state, TForm1& form, const QString& path) {
    ResetPeakRss();
    for (auto _ : state) {
        form.DropDst1FileDrop(nullptr, {path}, 0, 0);
        form.RichEdit1->repaint();
        Settle();
    }
    state.counters["peak_rss_MB"] = PeakRssSinceResetMB();
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

// The same file opened over the 10 MB text already in the editor, as a user
// opening one page after another does: the open is one undo step, so the
// text it replaced is kept for undoing, and only that one.
static void BM_OpenOverLargeDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    const QString path = LargeFile();
    form.DropDst1FileDrop(nullptr, {path}, 0, 0);
    Settle();
    DropEachIteration(state, form, path);
}
BENCHMARK(BM_OpenOverLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(5);

// One 10 MB line dropped on the window: read, decode, put into the editor and
// shown, as the program does it. The figures are the first load's, in a
// fresh window (later loads find the fonts' caches warm).
static void BM_DropLongLineDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    const QString path = LongLineFile();
    form.RichEdit1->Lines().Clear();
    Settle();
    DropEachIteration(state, form, path);
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

// Save's write, warm: the same window saving again and again.
static void BM_SaveLargeDocument(benchmark::State& state) {
    TForm1& form = ShownForm();
    form.RichEdit1->Lines().LoadFromFile(LargeFile());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("page.htm"));
    for (auto _ : state)
        form.SaveDocument(out);
}
BENCHMARK(BM_SaveLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(10);

// --- first run in a fresh process -----------------------------------------

namespace {

constexpr const char* kFirstRunFlag = "--first-run";
std::string gSelf;

// The work's wall time, and its CPU time in this process: on a shared machine
// that is the steadier figure.
struct TSample {
    double Ms = -1;
    double CpuMs = -1;
};

template <typename Work> TSample TimeWork(Work work) {
    QElapsedTimer clock;
    const double cpu = ProcessCpuSeconds();
    clock.start();
    work();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    return {ms, (ProcessCpuSeconds() - cpu) * 1e3};
}

void ShowAndSettle(QWidget& w) {
    w.resize(800, 600);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        qWarning("the window was not exposed");
    Settle();
}

// The program's own window: drop the file on it, shown.
TSample OpenInWindow(const QString& file) {
    TForm1 form;
    ShowAndSettle(form);
    return TimeWork([&] {
        form.DropDst1FileDrop(nullptr, {file}, 0, 0);
        form.RichEdit1->repaint();
        Settle();
    });
}

// Plain Qt: read the file, decode it, give it to a plain editor, shown.
TSample OpenInPlainEdit(const QString& file) {
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    ShowAndSettle(edit);
    return TimeWork([&] {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file));
        edit.setPlainText(
            Cp932::Decode(in.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        edit.repaint();
        Settle();
    });
}

// Save's write in the program's window, the file loaded before.
TSample SaveFromWindow(const QString& file, const QString& out) {
    TForm1 form;
    ShowAndSettle(form);
    form.DropDst1FileDrop(nullptr, {file}, 0, 0);
    Settle();
    return TimeWork([&] { form.SaveDocument(out); });
}

// Plain Qt: the editor's text, encoded, CR LF, through QSaveFile.
TSample SaveFromPlainEdit(const QString& file, const QString& out) {
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.setPlainText(ReadTextFile(file));
    ShowAndSettle(edit);
    return TimeWork([&] {
        QSaveFile page(out);
        if (!page.open(QIODevice::WriteOnly) ||
            page.write(Cp932::Encode(edit.toPlainText()).replace("\n", "\r\n")) < 0 ||
            !page.commit())
            qFatal("cannot save %s", qPrintable(out));
    });
}

int RunFirstRun(const char* kind, const QString& file, const QString& out) {
    TSample sample;
    if (std::strcmp(kind, "open") == 0)
        sample = OpenInWindow(file);
    else if (std::strcmp(kind, "open-floor") == 0)
        sample = OpenInPlainEdit(file);
    else if (std::strcmp(kind, "save") == 0)
        sample = SaveFromWindow(file, out);
    else if (std::strcmp(kind, "save-floor") == 0)
        sample = SaveFromPlainEdit(file, out);
    std::printf("ms %.3f %.3f\n", sample.Ms, sample.CpuMs);
    std::fflush(stdout);
    std::_Exit(0); // the window's teardown is not part of the sample
}

TSample SpawnFirstRun(const char* kind, const QString& out) {
    const std::vector<double> values = SpawnSelfAndRead(
        gSelf, {QLatin1String(kFirstRunFlag), QLatin1String(kind), LargeFile(), out}, "ms");
    if (values.size() != 2)
        return {};
    return {values[0], values[1]};
}

// One sample: the program's process and the floor's, in turns, so that both
// meet the same disk and load; the floor's time and the ratio are counters.
void FirstRunPair(benchmark::State& state, const char* kind, const char* floorKind) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("page.htm"));
    const QString floorOut = dir.filePath(QStringLiteral("floor.htm"));
    static int turn = 0;
    for (auto _ : state) {
        TSample ours, floor;
        if (turn++ % 2 == 0) {
            ours = SpawnFirstRun(kind, out);
            floor = SpawnFirstRun(floorKind, floorOut);
        } else {
            floor = SpawnFirstRun(floorKind, floorOut);
            ours = SpawnFirstRun(kind, out);
        }
        if (ours.Ms < 0 || floor.Ms < 0) {
            state.SkipWithError("a first-run process did not report its time");
            break;
        }
        state.SetIterationTime(ours.Ms / 1000.0);
        state.counters["floor_ms"] = floor.Ms;
        state.counters["ratio"] = ours.Ms / floor.Ms;
        state.counters["cpu_ms"] = ours.CpuMs;
        state.counters["floor_cpu_ms"] = floor.CpuMs;
        state.counters["cpu_ratio"] = ours.CpuMs / floor.CpuMs;
    }
}

} // namespace

// Open: read, decode and show the file in the window first started, against
// a plain shown QPlainTextEdit given the same file.
static void BM_FirstOpenLargeDocument(benchmark::State& state) {
    FirstRunPair(state, "open", "open-floor");
}
BENCHMARK(BM_FirstOpenLargeDocument)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// Save's write (the scan for characters CP932 cannot hold, CP932 with CR LF,
// the atomic replace) in the window first started, against toPlainText, the
// codec, a CR LF copy and QSaveFile.
static void BM_FirstSaveLargeDocument(benchmark::State& state) {
    FirstRunPair(state, "save", "save-floor");
}
BENCHMARK(BM_FirstSaveLargeDocument)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && std::strcmp(argv[1], kFirstRunFlag) == 0) {
        int childArgc = 1;
        TApplication app(childArgc, argv);
        return RunFirstRun(argv[2], QFile::decodeName(argv[3]), QFile::decodeName(argv[4]));
    }
    gSelf = argv[0];
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
