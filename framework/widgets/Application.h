// The application object: catches exceptions that escape event handlers and
// shows them in an error box, and tracks the hint under the mouse.
#pragma once

#include <QApplication>
#include <functional>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Shown as the caption of the program's plain message boxes.
    QString Title() const;
    void SetTitle(const QString& title);

    // The hint of the control or menu item under the mouse; OnHint runs only
    // when it changes.
    QString Hint() const { return FHint; }
    void SetHint(const QString& hint);
    std::function<void(QObject* sender)> OnHint;

    // Handles an exception that ended a command. OnException replaces the
    // default error box (tests capture errors with it).
    void HandleCurrentException();
    std::function<void(const QString& message)> OnException;
    void ShowException(const QString& message);

private:
    QString FHint;
};

// The one application object; null before it is made.
TApplication* Application();

// The text of the exception being handled; call it inside a catch block.
QString CurrentExceptionMessage();

// Hands the exception being handled to the application's handler (the error
// box, or OnException); without the application object, a plain error box.
void HandleException();

// The slot for a Qt signal whose handler may raise. Qt's signal machinery
// must never see an exception, so one raised by handler ends here and is
// handled as one escaping an event handler is: the user sees the same box.
//
//   connect(action, &QAction::triggered, this, Guarded([this] { Save(); }));
template <typename F> auto Guarded(F handler) {
    return [handler = std::move(handler)]() mutable {
        try {
            handler();
        } catch (...) {
            HandleException();
        }
    };
}
