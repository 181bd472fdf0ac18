#include "Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

QMessageBox::Icon ToQtIcon(TMsgIcon icon) {
    switch (icon) {
    case mtInformation:
        return QMessageBox::Information;
    case mtQuestion:
        return QMessageBox::Question;
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtNone:
        break;
    }
    return QMessageBox::NoIcon;
}

void CentreOnScreen(QWidget& box) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        box.adjustSize();
        box.move(screen->availableGeometry().center() - box.rect().center());
    }
}

} // namespace

namespace {
QString& Title() {
    static QString title;
    return title;
}
} // namespace

QString MessageTitle() {
    return Title();
}

void SetMessageTitle(const QString& title) {
    Title() = title;
}

TModalResult MessageBox(QWidget* parent, const QString& text, const QString& caption,
                        TMsgButtons buttons, TMsgIcon icon, bool centreOnScreen) {
    QMessageBox box(ToQtIcon(icon), caption, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    if (buttons == mbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (centreOnScreen)
        CentreOnScreen(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    case QMessageBox::Ok:
        return mrOk;
    default:
        return mrCancel;
    }
}

void ShowMessage(const QString& text) {
    MessageBox(QApplication::activeWindow(), text, MessageTitle(), mbOK, mtNone);
}

bool Confirm(QWidget* parent, const QString& text) {
    return MessageBox(parent, text, QStringLiteral("確認"), mbYesNo, mtQuestion) == mrYes;
}

bool TColorDialog::Execute(QWidget* parent) {
    QColorDialog dialog(ToQColor(FColor), parent);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    FColor = FromQColor(dialog.selectedColor());
    return true;
}
