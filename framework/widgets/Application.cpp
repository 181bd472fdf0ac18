#include "Application.h"

#include "Dialogs.h"
#include "Graphics.h"
#include "SysUtils.h"

#include <QLibraryInfo>
#include <QStatusTipEvent>
#include <QTranslator>

namespace {
TApplication* gApplication = nullptr;
}

TApplication* Application() {
    return gApplication;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    gApplication = this;
    SetTitle(applicationName());
    InstallFontSubstitutions();
    // The interface is Japanese whatever the locale: Qt's own buttons and
    // dialogs too.
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
}

TApplication::~TApplication() {
    gApplication = nullptr;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // Qt reports the status tip of whatever is under the mouse (controls and
    // menu items alike) with this event; it is the application's hint.
    if (event->type() == QEvent::StatusTip)
        SetHint(static_cast<QStatusTipEvent*>(event)->tip());
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleCurrentException();
        return true;
    }
}

QString TApplication::Title() const {
    return MessageTitle();
}

void TApplication::SetTitle(const QString& title) {
    SetMessageTitle(title);
}

void TApplication::SetHint(const QString& hint) {
    if (hint == FHint)
        return;
    FHint = hint;
    if (OnHint)
        OnHint(this);
}

QString CurrentExceptionMessage() {
    try {
        throw;
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("不明なエラーが発生しました");
    }
}

void HandleException() {
    if (TApplication* app = Application())
        app->HandleCurrentException();
    else
        MessageBox(nullptr, CurrentExceptionMessage(), MessageTitle(), mbOK, mtError);
}

void TApplication::HandleCurrentException() {
    ShowException(CurrentExceptionMessage());
}

void TApplication::ShowException(const QString& message) {
    if (OnException) {
        OnException(message);
        return;
    }
    MessageBox(activeWindow(), message, Title(), mbOK, mtError);
}
