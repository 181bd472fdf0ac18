// The batch conversion as users run it: whole `vexla --convert` processes,
// each measured against its floor in the same run: the plain copy
// `cat head.txt input foot.txt > out` that writes as many bytes without
// converting anything (with `sync out` for the wall time, as the page's save
// waits for the disk), and glibc's `iconv` for UTF-8 input. All run through
// sh -c, turn by turn, over the same files; the figures are medians of the
// CPU time (user and system, the command's whole process tree) and of the
// wall time, and the ratios are theirs. A small file is timed in CPU
// against a bare Qt Core program that copies it, since there start-up is
// nearly all of the work.
#include "BenchData.h"
#include "Cp932.h"
#include "PageTemplate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

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

// Waits for the child started at start; its resource use is its own and that
// of every process it waited for.
TRun WaitFor(pid_t pid, std::chrono::steady_clock::time_point start) {
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

// One run of the shell command.
TRun RunCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return WaitFor(pid, start);
}

// Runs the program without a shell, its output thrown away.
TRun RunProcess(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return WaitFor(spawned == 0 ? pid : -1, start);
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
        return ShellQuote(VEXLA_PROGRAM) + " --convert --settings " +
               ShellQuote(Path("settings.ini"));
    }
    std::string CatFloor(const std::string& in, const QString& out) const {
        return "cat " + ShellQuote(Path("head.txt")) + " " + in + " " +
               ShellQuote(Path("foot.txt")) + " > " + ShellQuote(Path(out));
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
    const std::string in = ShellQuote(work.Path("input.txt"));
    const std::string floor = work.CatFloor(in, "floor.htm");
    // Arg 0: the page saved atomically, as users run it. Arg 1: the same
    // stream to standard output, redirected to a file: the conversion alone.
    if (state.range(0) == 0)
        RunAgainstFloors(state, work.Vexla() + " -o " + ShellQuote(work.Path("out.htm")) + " " + in,
                         {floor, floor + " && sync " + ShellQuote(work.Path("floor.htm"))},
                         double(size) / 1e6);
    else
        RunAgainstFloors(state,
                         work.Vexla() + " -o - " + in + " > " + ShellQuote(work.Path("out.htm")),
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
    const std::string in = ShellQuote(work.Path("input.txt"));
    RunAgainstFloors(state, work.Vexla() + " -o " + ShellQuote(work.Path("out.htm")) + " " + in,
                     {"iconv -f UTF-8 -t CP932 " + in + " > " + ShellQuote(work.Path("floor.htm"))},
                     double(size) / 1e6);
}
BENCHMARK(BM_ConvertLargeUtf8File)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// Notes of about 2 KB each, written into a folder; returns their total size
// and adds each one's name, NUL-ended, to list when one is given.
qint64 WriteNotes(const TWorkFolder& work, int count, QByteArray* list = nullptr) {
    QDir().mkpath(work.Path("notes"));
    const QByteArray doc = LargeCp932Document();
    qint64 total = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype from = doc.indexOf("\r\n", (qsizetype(i) * 7919) % (doc.size() - 4096)) + 2;
        const QByteArray note = doc.mid(from, 1500 + (i * 37) % 1000);
        const QString name =
            work.Path(QStringLiteral("notes/note%1.txt").arg(i, 6, 10, QLatin1Char('0')));
        WriteFile(name, note);
        if (list)
            *list += QFile::encodeName(name) + '\0';
        total += note.size();
    }
    return total;
}

// Keeps the disk busy while it lives: another program writing a large file
// and syncing it, over and over.
class TBusyDisk {
public:
    explicit TBusyDisk(const QString& folder) {
        const std::string file = ShellQuote(folder + "/busy.bin");
        FPid = fork();
        if (FPid == 0) {
            setpgid(0, 0); // the writer and its dd end together
            execl("/bin/sh", "sh", "-c",
                  ("while :; do dd if=/dev/zero of=" + file +
                   " bs=1M count=256 conv=fsync 2>/dev/null; done")
                      .c_str(),
                  static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        sleep(1); // until the writer is under way
    }
    TBusyDisk(const TBusyDisk&) = delete;
    TBusyDisk& operator=(const TBusyDisk&) = delete;
    ~TBusyDisk() {
        if (FPid > 0) {
            kill(-FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }

private:
    pid_t FPid = -1;
};

// 1,000 notes into one folder, against a for loop of cat; Arg 1 with another
// program keeping the disk busy meanwhile.
static void BM_ConvertThousandSmallFiles(benchmark::State& state) {
    TWorkFolder work;
    QDir().mkpath(work.Path("out"));
    QDir().mkpath(work.Path("floor"));
    const double megabytes = double(WriteNotes(work, 1000)) / 1e6;
    const std::string notes = ShellQuote(work.Path("notes")) + "/*.txt";
    std::optional<TBusyDisk> busy;
    if (state.range(0) == 1)
        busy.emplace(work.Path("."));
    RunAgainstFloors(state, work.Vexla() + " -d " + ShellQuote(work.Path("out")) + " " + notes,
                     {"for f in " + notes + "; do b=${f##*/}; cat " +
                      ShellQuote(work.Path("head.txt")) + " \"$f\" " +
                      ShellQuote(work.Path("foot.txt")) + " > " + ShellQuote(work.Path("floor")) +
                      "/${b%.txt}.htm; done"},
                     megabytes);
}
BENCHMARK(BM_ConvertThousandSmallFiles)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

// Many notes given as a list (find -print0 style, from a file): the time per
// note and the process's peak memory should not grow with their number.
static void BM_ConvertNotesFromList(benchmark::State& state) {
    TWorkFolder work;
    QDir().mkpath(work.Path("out"));
    QByteArray list;
    WriteNotes(work, int(state.range(0)), &list);
    WriteFile(work.Path("list"), list);
    const std::string command = work.Vexla() + " -d " + ShellQuote(work.Path("out")) +
                                " -0 --files-from " + ShellQuote(work.Path("list"));
    for (auto _ : state) {
        const TRun run = RunCommand(command);
        if (run.Wall < 0)
            return state.SkipWithError("the conversion failed");
        state.SetIterationTime(run.Wall);
        state.counters["us_per_note"] = run.Wall * 1e6 / double(state.range(0));
        state.counters["peak_rss_MB"] = run.PeakMb;
    }
}
BENCHMARK(BM_ConvertNotesFromList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A 1 KB note converted to a page saved beside it, against the bare Qt Core
// copy of the same note: twenty runs of each, turn by turn, after one of each
// to warm the caches. The time is the conversion's CPU; the ratio is the
// median of the pairs' ratios.
static void BM_ConvertSmallFile(benchmark::State& state) {
    TWorkFolder work;
    const QByteArray doc = LargeCp932Document();
    const QString note = work.Path("note.txt");
    WriteFile(note, doc.left(doc.indexOf("\r\n", 1000) + 2));
    const std::vector<std::string> program = {VEXLA_PROGRAM,
                                              "--convert",
                                              "--settings",
                                              work.Path("settings.ini").toStdString(),
                                              "-o",
                                              work.Path("note.htm").toStdString(),
                                              note.toStdString()};
    const std::vector<std::string> floor = {QT_COPY_FLOOR, note.toStdString(),
                                            work.Path("copy.txt").toStdString()};
    if (RunProcess(program).Wall < 0 || RunProcess(floor).Wall < 0)
        return state.SkipWithError("a command failed");
    std::vector<double> cpu, floorCpu, ratio, wall, floorWall;
    for (auto _ : state) {
        const TRun p = RunProcess(program);
        const TRun f = RunProcess(floor);
        if (p.Wall < 0 || f.Wall < 0)
            return state.SkipWithError("a command failed");
        cpu.push_back(p.Cpu);
        floorCpu.push_back(f.Cpu);
        ratio.push_back(p.Cpu / std::max(f.Cpu, 1e-6));
        wall.push_back(p.Wall);
        floorWall.push_back(f.Wall);
        state.SetIterationTime(p.Cpu);
    }
    state.counters["cpu_median_ms"] = Median(cpu) * 1000;
    state.counters["floor_cpu_median_ms"] = Median(floorCpu) * 1000;
    state.counters["cpu_ratio"] = Median(ratio); // pair by pair, so drift cancels
    state.counters["wall_median_ms"] = Median(wall) * 1000;
    state.counters["floor_wall_median_ms"] = Median(floorWall) * 1000;
}
BENCHMARK(BM_ConvertSmallFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
