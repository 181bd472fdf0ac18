// The batch conversion as users run it: whole `vexla --convert` processes,
// each measured against its floor in the same run: the plain copy
// `cat head.txt input foot.txt > out` that writes as many bytes without
// converting anything (with `sync out` for the wall time, as the page's save
// waits for the disk), and glibc's `iconv` for UTF-8 input. All run through
// sh -c, turn by turn, over the same files; the figures are medians of the
// CPU time (user and system, the command's whole process tree) and of the
// wall time, and the ratios are theirs.
#include "BenchData.h"
#include "Cp932.h"
#include "PageTemplate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Quote(const QString& path) {
    return "'" + path.toStdString() + "'";
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes doc over and over until the file holds at least bytes; returns its
// size, 0 when it cannot be written.
qint64 WriteRepeated(const QString& path, const QByteArray& doc, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return 0;
    qint64 size = 0;
    while (size < bytes) {
        if (f.write(doc) != doc.size())
            return 0;
        size += doc.size();
    }
    return size;
}

struct TRun {
    double Wall = -1; // seconds; negative when the command failed
    double Cpu = 0;   // seconds of user and system time
    double PeakMb = 0;
};

double Seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// One run of the shell command; the resource use is that of sh and every
// process it waited for.
TRun RunCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return {};
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    TRun run;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.Wall = took.count();
    run.Cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.PeakMb = double(usage.ru_maxrss) / 1024;
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A folder with the page's head and tail for the floor and an empty
// settings file, so that no user's settings take part.
struct TWorkFolder {
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return Dir.filePath(name); }
    TWorkFolder() {
        TPageSettings page;
        SetDefaultPageSettings(page);
        page.LinkExt = LinkExtension(false);
        WriteFile(Path("head.txt"), Cp932::Encode(PageHeadLines(page).join("\r\n") + "\r\n"));
        WriteFile(Path("foot.txt"), Cp932::Encode(PageTailLines(page).join("\r\n")));
        WriteFile(Path("settings.ini"), {});
    }
    std::string Vexla() const {
        return Quote(VEXLA_PROGRAM) + " --convert --settings " + Quote(Path("settings.ini"));
    }
    std::string CatFloor(const std::string& in, const QString& out) const {
        return "cat " + Quote(Path("head.txt")) + " " + in + " " + Quote(Path("foot.txt")) + " > " +
               Quote(Path(out));
    }
};

// Runs the program and each floor in turn; reports the program's medians and
// each floor's beside them. The first floor is the one for the CPU time; a
// second one, when given, is the one for the wall time.
void RunAgainstFloors(benchmark::State& state, const std::string& program,
                      const std::vector<std::string>& floors, double megabytes) {
    std::vector<double> wall, cpu, peak;
    std::vector<std::vector<double>> floorWall(floors.size()), floorCpu(floors.size());
    for (auto _ : state) {
        const TRun p = RunCommand(program);
        if (p.Wall < 0)
            return state.SkipWithError("the program failed");
        wall.push_back(p.Wall);
        cpu.push_back(p.Cpu);
        peak.push_back(p.PeakMb);
        for (size_t i = 0; i < floors.size(); ++i) {
            const TRun f = RunCommand(floors[i]);
            if (f.Wall < 0)
                return state.SkipWithError("a floor failed");
            floorWall[i].push_back(f.Wall);
            floorCpu[i].push_back(f.Cpu);
        }
        state.SetIterationTime(p.Wall);
    }
    const double w = Median(wall), c = Median(cpu);
    state.counters["wall_ms"] = w * 1000;
    state.counters["cpu_ms"] = c * 1000;
    state.counters["peak_rss_MB"] = *std::max_element(peak.begin(), peak.end());
    state.counters["MB_per_s"] = megabytes / w;
    const double fc = Median(floorCpu[0]);
    state.counters["floor_cpu_ms"] = fc * 1000;
    state.counters["floor_wall_ms"] = Median(floorWall[0]) * 1000;
    state.counters["cpu_ratio"] = c / fc;
    if (floors.size() > 1) {
        const double sw = Median(floorWall[1]);
        state.counters["synced_floor_wall_ms"] = sw * 1000;
        state.counters["wall_ratio_to_synced"] = w / sw;
    }
}

} // namespace

// One 100 MB CP932 file (Japanese and ASCII lines, CR LF).
static void BM_ConvertLargeFile(benchmark::State& state) {
    TWorkFolder work;
    const qint64 size = WriteRepeated(work.Path("input.txt"), LargeCp932Document(), 100'000'000);
    if (size == 0)
        return state.SkipWithError("cannot write the input");
    const std::string in = Quote(work.Path("input.txt"));
    const std::string floor = work.CatFloor(in, "floor.htm");
    // Arg 0: the page saved atomically, as users run it. Arg 1: the same
    // stream to standard output, redirected to a file: the conversion alone.
    if (state.range(0) == 0)
        RunAgainstFloors(state, work.Vexla() + " -o " + Quote(work.Path("out.htm")) + " " + in,
                         {floor, floor + " && sync " + Quote(work.Path("floor.htm"))},
                         double(size) / 1e6);
    else
        RunAgainstFloors(state, work.Vexla() + " -o - " + in + " > " + Quote(work.Path("out.htm")),
                         {floor}, double(size) / 1e6);
}
BENCHMARK(BM_ConvertLargeFile)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

// One 100 MB UTF-8 file of the same text, against glibc's conversion of it to
// CP932 (which holds the whole file in memory).
static void BM_ConvertLargeUtf8File(benchmark::State& state) {
    TWorkFolder work;
    const qint64 size = WriteRepeated(work.Path("input.txt"),
                                      Cp932::Decode(LargeCp932Document()).toUtf8(), 100'000'000);
    if (size == 0)
        return state.SkipWithError("cannot write the input");
    const std::string in = Quote(work.Path("input.txt"));
    RunAgainstFloors(state, work.Vexla() + " -o " + Quote(work.Path("out.htm")) + " " + in,
                     {"iconv -f UTF-8 -t CP932 " + in + " > " + Quote(work.Path("floor.htm"))},
                     double(size) / 1e6);
}
BENCHMARK(BM_ConvertLargeUtf8File)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// 1,000 notes of about 2 KB each into one folder.
static void BM_ConvertThousandSmallFiles(benchmark::State& state) {
    TWorkFolder work;
    QDir().mkpath(work.Path("notes"));
    QDir().mkpath(work.Path("out"));
    QDir().mkpath(work.Path("floor"));
    const QByteArray doc = LargeCp932Document();
    qint64 total = 0;
    for (int i = 0; i < 1000; ++i) {
        const qsizetype from = doc.indexOf("\r\n", (qsizetype(i) * 7919) % (doc.size() - 4096)) + 2;
        const QByteArray note = doc.mid(from, 1500 + (i * 37) % 1000);
        WriteFile(work.Path(QStringLiteral("notes/note%1.txt").arg(i, 4, 10, QLatin1Char('0'))),
                  note);
        total += note.size();
    }
    const std::string notes = Quote(work.Path("notes")) + "/*.txt";
    RunAgainstFloors(state, work.Vexla() + " -d " + Quote(work.Path("out")) + " " + notes,
                     {"for f in " + notes + "; do b=${f##*/}; cat " + Quote(work.Path("head.txt")) +
                      " \"$f\" " + Quote(work.Path("foot.txt")) + " > " +
                      Quote(work.Path("floor")) + "/${b%.txt}.htm; done"},
                     double(total) / 1e6);
}
BENCHMARK(BM_ConvertThousandSmallFiles)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

BENCHMARK_MAIN();
