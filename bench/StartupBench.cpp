// Process start to the main window's first paint. Each start is a fresh
// process of this program that builds the application and the window as
// the program does and reports the time of its first paint against the clock
// read here just before it was spawned.
#include "Application.h"
#include "BenchData.h"
#include "Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr const char* kChildFlag = "--first-paint-child";
constexpr const char* kFloorChildFlag = "--floor-first-paint-child";

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

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

// The floor: a bare Qt main window with the same widgets in the same places
// and the same faces (named as the fonts are installed), without the
// program's components, settings or translations.
int RunFloorChild(int argc, char** argv, std::int64_t startedNs) {
    QApplication app(argc, argv);
    QMainWindow form;
    form.setFont(PixelFont(QStringLiteral("IPAPGothic"), 15));
    auto* client = new QWidget(&form);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* panel = new QWidget(client);
    panel->setFixedHeight(66);
    const char16_t* captions[] = {u"新", u"開", u"保", u"換", u"背",
                                  u"文", u"線", u"題", u"明", u"元"};
    int left = 5;
    for (const char16_t* caption : captions) {
        auto* b = new QToolButton(panel);
        b->setText(QString::fromUtf16(caption));
        b->setToolTip(QString::fromUtf16(caption));
        b->setFont(PixelFont(QStringLiteral("IPAMincho"), 15, true));
        b->setGeometry(left, 16, 25, 25);
        left += 26;
    }
    for (int i = 0; i < 7; ++i) {
        auto* e = new QLineEdit(QStringLiteral("Tips"), i == 6 ? client : panel);
        e->setFont(PixelFont(QStringLiteral("IPAMincho"), 15));
        e->setGeometry(213 + 60 * i, 17 + 26 * (i % 2), 56, 23);
    }
    for (int i = 0; i < 6; ++i) {
        auto* l = new QLabel(QStringLiteral("Label"), panel);
        l->move(17 + 100 * i, 46);
    }
    for (int i = 0; i < 2; ++i)
        (new QCheckBox(QStringLiteral("Html"), panel))->move(365 + 243 * i, 22 + 26 * i);
    auto* edit = new QPlainTextEdit(client);
    edit->setFont(PixelFont(QStringLiteral("IPAGothic"), 15));
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(panel);
    layout->addWidget(edit, 1);
    form.setCentralWidget(client);
    form.statusBar()->showMessage(QStringLiteral("Vexla ver1.04"));
    form.statusBar()->addPermanentWidget(new QLabel(QStringLiteral("Shift-JIS")));
    const int items[] = {4, 16, 1};
    for (int m = 0; m < 3; ++m) {
        QMenu* menu = form.menuBar()->addMenu(QStringLiteral("メニュー(&M)"));
        for (int i = 0; i < items[m]; ++i)
            menu->addAction(QStringLiteral("項目(&I)"));
    }
    form.resize(688, 437);
    TFirstPaintProbe probe(startedNs);
    form.installEventFilter(&probe);
    form.show();
    return app.exec();
}

std::string gSelf;

// The settings file the started program reads: the one beside it.
std::string SettingsFile() {
    return gSelf + ".ini";
}

// An INI file of about megabytes MB whose sections are none of the
// program's, so every setting is looked for through the whole file.
void WriteLargeSettings(int megabytes) {
    QFile file(QString::fromStdString(SettingsFile()));
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QByteArray line = "Key=" + QByteArray(60, 'v') + "\r\n";
    QByteArray block;
    for (int i = 0; i < 1000; ++i)
        block += line;
    for (qint64 n = 0; n * block.size() < qint64(megabytes) << 20; ++n)
        file.write("[Filler" + QByteArray::number(n) + "]\r\n" + block);
}

double StartOnce(const char* flag) {
    const std::vector<double> ms = SpawnSelfAndRead(
        gSelf, {QLatin1String(flag), QString::number(MonotonicNs())}, "first-paint-ms");
    return ms.size() == 1 ? ms[0] : -1;
}

// One fresh start of the child flag names for each iteration, timed to its
// first paint.
void TimeStarts(benchmark::State& state, const char* flag, const char* failure) {
    for (auto _ : state) {
        const double ms = StartOnce(flag);
        if (ms < 0) {
            state.SkipWithError(failure);
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
}

} // namespace

// Arg: the size of the settings file in MB (0: none).
static void BM_StartToFirstPaint(benchmark::State& state) {
    QFile::remove(QString::fromStdString(SettingsFile()));
    if (state.range(0) > 0)
        WriteLargeSettings(int(state.range(0)));
    TimeStarts(state, kChildFlag, "the window did not report its first paint");
    QFile::remove(QString::fromStdString(SettingsFile()));
}
BENCHMARK(BM_StartToFirstPaint)
    ->Arg(0)
    ->Arg(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// The floor of a start: a bare Qt window with the same widgets, each start a
// fresh process too.
static void BM_FloorBareWindowFirstPaint(benchmark::State& state) {
    TimeStarts(state, kFloorChildFlag, "the bare window did not report its first paint");
}
BENCHMARK(BM_FloorBareWindowFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// Floor for the large settings file: plain Qt reading it and cutting it
// into lines once, in this process (a start of its own costs Arg 0's time).
static void BM_FloorReadSettingsOnce(benchmark::State& state) {
    WriteLargeSettings(int(state.range(0)));
    for (auto _ : state) {
        QFile file(QString::fromStdString(SettingsFile()));
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("no settings file");
            break;
        }
        benchmark::DoNotOptimize(file.readAll().split('\n'));
    }
    QFile::remove(QString::fromStdString(SettingsFile()));
}
BENCHMARK(BM_FloorReadSettingsOnce)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        int childArgc = 1;
        return RunChild(childArgc, argv, std::stoll(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], kFloorChildFlag) == 0) {
        int childArgc = 1;
        return RunFloorChild(childArgc, argv, std::stoll(argv[2]));
    }
    gSelf = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
