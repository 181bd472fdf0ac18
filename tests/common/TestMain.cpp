// Runs every test inside one application object on the offscreen platform,
// with a configuration folder of its own so that no test touches the user's.
#include "Application.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    if (configHome.isValid())
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("Vexla"));
    return RUN_ALL_TESTS();
}
