#include "CommandLine.h"

#include <QCoreApplication>
#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

// Help, version and the batch conversion need no display.
int RunWithoutDisplay(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunCommandLine(ProgramArguments(argc, argv), QCoreApplication::applicationFilePath(),
                          stdout, stderr);
}

using TWindowMain = int (*)(int, char**);

// The window's module: beside the program in the build tree, below the
// library folder once installed.
TWindowMain LoadWindow() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return nullptr;
    const std::string program(self, size_t(n));
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    for (const char* place : {VEXLA_WINDOW_MODULE, VEXLA_INSTALLED_WINDOW_MODULE}) {
        if (void* module = dlopen((folder + place).c_str(), RTLD_NOW | RTLD_LOCAL))
            return reinterpret_cast<TWindowMain>(dlsym(module, "VexlaWindowMain"));
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (StartModeOf(ProgramArguments(argc, argv)) != TStartMode::Window)
        return RunWithoutDisplay(argc, argv);
    const TWindowMain window = LoadWindow();
    if (!window) {
        const char* reason = dlerror();
        std::fprintf(stderr, "vexla: ウィンドウを開けません (%s)\n",
                     reason ? reason : VEXLA_WINDOW_MODULE);
        return esFailed;
    }
    return window(argc, argv);
}
