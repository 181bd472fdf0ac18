#include "CommandLine.h"
#include "ProgramArguments.h"

#include <QCoreApplication>
#include <cstdio>
#include <dlfcn.h>

namespace {

// Help, version and the batch conversion need no display.
int RunWithoutDisplay(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunCommandLine(ProgramArguments(argc, argv), QCoreApplication::applicationFilePath(),
                          stdout, stderr);
}

// The window lives in a module loaded only here (found through the program's
// run path), so that the command line never loads the Gui and Widgets
// libraries: loading them costs more than converting a small file.
int RunWindow(int argc, char** argv) {
    using TWindowMain = int (*)(int, char**);
    void* module = dlopen("libvexla_window.so", RTLD_NOW | RTLD_LOCAL);
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
