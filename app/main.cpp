#include "Application.h"
#include "CommandLine.h"
#include "PathNames.h"
#include "StoredSettings.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

// The arguments as the system has them, so that a file name that is not
// UTF-8 still names its file.
QStringList ArgumentsOf(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << PathFromBytes(argv[i]);
    return args;
}

// Help, version and the batch conversion need no display.
int RunWithoutDisplay(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunCommandLine(ArgumentsOf(argc, argv), QCoreApplication::applicationFilePath(), stdout,
                          stderr);
}

} // namespace

int main(int argc, char** argv) {
    if (StartModeOf(ArgumentsOf(argc, argv)) != TStartMode::Window)
        return RunWithoutDisplay(argc, argv);

    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vexla"));
    app.SetTitle(QStringLiteral("Vexla"));
    // What is left once the toolkit has taken its own options out of argv.
    const auto files = WindowArguments(ArgumentsOf(argc, argv));
    if (const QString* error = std::get_if<QString>(&files)) {
        PrintUsageError(stderr, *error);
        return esUsage;
    }
    Unit1::SettingsFileOverride = ProgramSettingsFile(QCoreApplication::applicationFilePath());
    TForm1 form;
    form.show();
    // Opened once the window shows, as a drop is, so that a file that cannot
    // be opened gives the usual error box over the window.
    if (const QStringList& paths = std::get<QStringList>(files); !paths.isEmpty())
        QMetaObject::invokeMethod(
            &form, [&form, paths] { form.DropDst1FileDrop(nullptr, paths, 0, 0); },
            Qt::QueuedConnection);
    return app.exec();
}
