#include "ModalDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

void CloseIfOpen(QWidget* w) {
    if (!w || !w->isVisible())
        return;
    if (auto* d = qobject_cast<QDialog*>(w))
        d->reject();
    else
        w->close();
}

QString ButtonName(QMessageBox::StandardButton b) {
    switch (b) {
    case QMessageBox::Yes:
        return QStringLiteral("Yes");
    case QMessageBox::No:
        return QStringLiteral("No");
    case QMessageBox::Ok:
        return QStringLiteral("OK");
    case QMessageBox::Cancel:
        return QStringLiteral("Cancel");
    default:
        return QStringLiteral("Other");
    }
}

} // namespace

void WhenModal(std::function<void(QWidget*)> act, int timeoutMs) {
    auto timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act = std::move(act), timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (clock->elapsed() > timeoutMs) {
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "no modal widget appeared";
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        QPointer<QWidget> guard(modal);
        try {
            act(modal);
        } catch (...) {
            ADD_FAILURE() << "exception while driving a modal widget";
        }
        // The act normally closes the modal; if not, close it so the test ends.
        if (guard && guard->isVisible() && QApplication::activeModalWidget() == guard)
            QTimer::singleShot(0, [guard] { CloseIfOpen(guard); });
    });
    timer->start();
}

void AnswerMessageBox(const QString& button, MessageBoxSeen* seen) {
    WhenModal([button, seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            ADD_FAILURE() << "expected a message box, got " << modal->metaObject()->className();
            return;
        }
        if (seen) {
            seen->Shown = true;
            seen->Text = box->text();
            seen->Caption = box->windowTitle();
            seen->Icon = box->icon();
            seen->Buttons.clear();
            for (QAbstractButton* b : box->buttons())
                seen->Buttons << ButtonName(box->standardButton(b));
        }
        for (QAbstractButton* b : box->buttons())
            if (ButtonName(box->standardButton(b)) == button) {
                b->click();
                return;
            }
        ADD_FAILURE() << "message box has no button " << button.toStdString();
    });
}

QModelIndex ListedEntry(const QAbstractItemView* view, const QString& name) {
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
        const QModelIndex index = model->index(row, 0, view->rootIndex());
        if (index.data().toString() == name)
            return index;
    }
    return {};
}
