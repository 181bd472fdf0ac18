#include "CommandLine.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Help, version and the batch conversion need no display.
int RunWithoutDisplay(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunCommandLine(ProgramArguments(argc, argv), QCoreApplication::applicationFilePath(),
                          stdout, stderr);
}

// The window lives in a module loaded only here, so that the command line
// never loads the Gui and Widgets libraries: loading them costs more than
// converting a small file. The module is looked for along the program's own
// library search path (its run path: beside it in the build folder, lib/vexla
// once installed), taken from the loader rather than left to dlopen, which
// misses the program's run path when a sanitizer's dlopen stands in between.
void* LoadWindowModule() {
    constexpr const char* kModule = "libvexla_window.so";
    void* self = dlopen(nullptr, RTLD_NOW);
    Dl_serinfo size;
    if (self && dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0) {
        const std::unique_ptr<Dl_serinfo, decltype(&std::free)> paths(
            static_cast<Dl_serinfo*>(std::malloc(size.dls_size)), &std::free);
        if (paths && dlinfo(self, RTLD_DI_SERINFOSIZE, paths.get()) == 0 &&
            dlinfo(self, RTLD_DI_SERINFO, paths.get()) == 0) {
            for (unsigned i = 0; i < paths->dls_cnt; ++i) {
                const std::string file =
                    std::string(paths->dls_serpath[i].dls_name) + '/' + kModule;
                if (access(file.c_str(), F_OK) == 0)
                    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            }
        }
    }
    return dlopen(kModule, RTLD_NOW | RTLD_LOCAL); // not found: dlopen's own error
}

int RunWindow(int argc, char** argv) {
    using TWindowMain = int (*)(int, char**);
    void* module = LoadWindowModule();
    auto* windowMain =
        module ? reinterpret_cast<TWindowMain>(dlsym(module, "VexlaWindowMain")) : nullptr;
    if (!windowMain) {
        std::fprintf(stderr, "vexla: ウィンドウを開始できません (%s)\n", dlerror());
        return esFailed;
    }
    return windowMain(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    if (StartModeOf(ProgramArguments(argc, argv)) != TStartMode::Window)
        return RunWithoutDisplay(argc, argv);
    return RunWindow(argc, argv);
}
