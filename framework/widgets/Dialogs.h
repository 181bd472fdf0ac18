// Modal message boxes with exact texts, captions, buttons and icons.
// They are real QMessageBoxes, so tests drive them like a person would.
#pragma once

#include <QString>

class QWidget;

enum TMsgButtons { mbOK, mbYesNo };
enum TMsgIcon { mtNone, mtInformation, mtQuestion, mtWarning, mtError };
enum TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo };

// Shows a modal box and returns the button pressed (mrCancel when closed
// another way).
TModalResult MessageBox(QWidget* parent, const QString& text, const QString& caption,
                        TMsgButtons buttons, TMsgIcon icon, bool centreOnScreen = false);

// The caption of plain boxes: the application's title, which it sets.
QString MessageTitle();
void SetMessageTitle(const QString& title);

// A plain box with an OK button, captioned with the application's title.
void ShowMessage(const QString& text);

// Confirmation captioned "確認" with Yes and No and the question icon.
bool Confirm(QWidget* parent, const QString& text);

#include "Colors.h"
#include <QObject>

// The colour dialog component: opens on Color, keeps the colour confirmed.
class TColorDialog : public QObject {
    Q_OBJECT
public:
    explicit TColorDialog(QObject* owner = nullptr) : QObject(owner) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor color) { FColor = color; }
    bool Execute(QWidget* parent = nullptr);

private:
    TColor FColor = clBlack;
};
