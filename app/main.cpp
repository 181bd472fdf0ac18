#include "Application.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vexla"));
    app.SetTitle(QStringLiteral("Vexla"));
    TForm1 form;
    form.show();
    return app.exec();
}
