// Small components and the values the composite-value tests store, shared
// by the tests and the helper process that plays the program's other run.
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <QString>
#include <QStringList>
#include <QWidget>

// A container control with a caption and a colour.
class TTestPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER FCaption)
    Q_PROPERTY(int Color MEMBER FColor)

public:
    explicit TTestPanel(QWidget* parent = nullptr) : QWidget(parent) {}

    QString FCaption;
    int FColor = clBtnFace;
};

// A control inside the panel.
class TTestLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER FCaption)

public:
    explicit TTestLabel(QWidget* parent = nullptr) : QWidget(parent) {}

    QString FCaption;
};

// A non-visual component.
class TTestComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Tag MEMBER FTag)

public:
    explicit TTestComponent(QObject* owner = nullptr) : QObject(owner) {}

    int FTag = 0;
};

inline void RegisterTestClasses() {
    RegisterClass<TTestPanel, QWidget>();
    RegisterClass<TTestLabel, QWidget>();
    RegisterClass<TTestComponent>();
}

// What one run stores and the next reads back.
inline TFont ExpectedFont() {
    return TFont(QStringLiteral("IPAGothic"), 20, clTeal, fsBold | fsUnderline);
}

inline QStringList ExpectedStrings() {
    return {QStringLiteral("一行目"), QString(), QStringLiteral("  blanks  "),
            QStringLiteral("\"quoted\""), QStringLiteral("last=line")};
}

// Panel1 with Label1 inside, on form.
inline TTestPanel* MakeExpectedPanel(QWidget* form) {
    auto* panel = new TTestPanel(form);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->FCaption = QStringLiteral("パネル");
    panel->FColor = 0x123456;
    panel->setGeometry(8, 16, 120, 60);
    auto* label = new TTestLabel(panel);
    label->setObjectName(QStringLiteral("Label1"));
    label->FCaption = QStringLiteral("ラベル");
    label->setGeometry(4, 4, 50, 20);
    return panel;
}
