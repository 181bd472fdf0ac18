// The window's side of the program. It is a module of its own that the
// program loads only to show the window, so that help, version and the batch
// conversion start without the widget libraries.
#include "Application.h"
#include "CommandLine.h"
#include "StoredPage.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QMetaObject>

extern "C" Q_DECL_EXPORT int VexlaWindowMain(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vexla"));
    app.SetTitle(QStringLiteral("Vexla"));
    // What is left once the toolkit has taken its own options out of argv.
    const auto files = WindowArguments(ProgramArguments(argc, argv));
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
