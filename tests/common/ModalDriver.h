// Drives modal dialogs and message boxes in tests, as a person would.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QAbstractItemView;
class QMessageBox;
class QModelIndex;

// Runs act on the next modal widget once it is shown (polled from the event
// loop). If act fails or the widget is still open afterwards it is rejected,
// so a failing check never leaves a test hanging.
void WhenModal(std::function<void(QWidget* modal)> act, int timeoutMs = 10000);

// What a message box showed, recorded by AnswerMessageBox.
struct MessageBoxSeen {
    bool Shown = false;
    QString Text;
    QString Caption;
    int Icon = 0;        // QMessageBox::Icon
    QStringList Buttons; // standard button names, e.g. "Yes", "No", "OK"
};

// Answers the next message box with the given standard button ("Yes", "No",
// "OK") and records what it showed.
void AnswerMessageBox(const QString& button, MessageBoxSeen* seen = nullptr);

// Finds a direct or indirect child of w by object name and class.
template <typename T> T* Child(QWidget* w, const QString& name) {
    return w ? w->findChild<T*>(name) : nullptr;
}

// The row a file dialog's view shows under name in the folder shown (invalid
// when there is none yet).
QModelIndex ListedEntry(const QAbstractItemView* view, const QString& name);
