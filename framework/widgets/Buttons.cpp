#include "Buttons.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleOptionToolButton>
#include <QStylePainter>

QEvent::Type TButtonPressedEvent::EventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void BroadcastButtonPressed(QWidget* parent, int groupIndex, TSpeedButton* sender) {
    if (!parent)
        return;
    // A receiver may change the child list; every child present now hears it once.
    QList<QPointer<QWidget>> receivers;
    for (QObject* child : parent->children())
        if (auto* w = qobject_cast<QWidget*>(child))
            receivers.append(w);
    for (const QPointer<QWidget>& w : receivers) {
        if (!w)
            continue;
        TButtonPressedEvent e(groupIndex, sender);
        QCoreApplication::sendEvent(w, &e);
    }
}

TSpeedButton::TSpeedButton(QWidget* parent) : QWidget(parent) {
    resize(23, 22);
}

void TSpeedButton::SetGroupIndex(int v) {
    if (v == FGroupIndex)
        return;
    FGroupIndex = v;
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v) {
    if (v == FAllowAllUp)
        return;
    FAllowAllUp = v;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool v) {
    if (FGroupIndex == 0)
        v = false;
    if (v == FDown || (FDown && !FAllowAllUp))
        return;
    FDown = v;
    update();
    if (v)
        UpdateExclusive();
}

void TSpeedButton::SetCaption(const QString& v) {
    if (v == FCaption)
        return;
    FCaption = v;
    update();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex != 0 && parentWidget())
        BroadcastButtonPressed(parentWidget(), FGroupIndex, this);
}

void TSpeedButton::ButtonPressed(const TButtonPressedEvent& e) {
    if (e.GroupIndex != FGroupIndex || !e.Sender || e.Sender == this)
        return;
    if (e.Sender->Down() && FDown) {
        FDown = false;
        update();
    }
    FAllowAllUp = e.Sender->AllowAllUp();
}

bool TSpeedButton::event(QEvent* e) {
    if (e->type() == TButtonPressedEvent::EventType()) {
        ButtonPressed(*static_cast<TButtonPressedEvent*>(e));
        return true;
    }
    return QWidget::event(e);
}

void TSpeedButton::Click() {
    if (OnClick)
        OnClick(this);
}

void TSpeedButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !isEnabled())
        return;
    FPressed = true;
    update();
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    if (!FPressed)
        return;
    FPressed = false;
    const bool inside = rect().contains(e->position().toPoint());
    if (inside && FGroupIndex != 0)
        SetDown(!FDown);
    update();
    if (inside)
        Click();
}

void TSpeedButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionToolButton opt;
    opt.initFrom(this);
    opt.text = FCaption;
    opt.state |= QStyle::State_AutoRaise;
    opt.state |= (FDown || FPressed) ? QStyle::State_Sunken : QStyle::State_Raised;
    if (FDown)
        opt.state |= QStyle::State_On;
    p.drawComplexControl(QStyle::CC_ToolButton, opt);
}
