// The window program: the module main.cpp loads when the window starts.
#include "Application.h"
#include "CommandLine.h"
#include "Unit1.h"

#include <QMetaObject>

extern "C" __attribute__((visibility("default"))) int VexlaWindowMain(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vexla"));
    app.SetTitle(QStringLiteral("Vexla"));
    // What is left once the toolkit has taken its own options out of argv.
    const auto files = WindowArguments(ProgramArguments(argc, argv));
    if (const QString* error = std::get_if<QString>(&files)) {
        PrintUsageError(stderr, *error);
        return esUsage;
    }
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
