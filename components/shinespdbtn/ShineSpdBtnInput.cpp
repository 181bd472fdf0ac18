#include "ShineSpdBtn.h"

#include "Buttons.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcutEvent>
#include <QTimer>

// Mouse and keyboard: pressing and releasing, the hot look with its hover
// timer, clicks, enabling and disabling, and the caption's accelerator.

namespace {

TShiftState ShiftFrom(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    if (b & Qt::LeftButton)
        s |= ssLeft;
    if (b & Qt::RightButton)
        s |= ssRight;
    if (b & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

// The keys and buttons held now, for notices that carry none.
TShiftState GetShiftState() {
    return ShiftFrom(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

TShiftState ShiftOf(const QMouseEvent* e) {
    return ShiftFrom(e->modifiers(), e->buttons());
}

} // namespace

// ---------------------------------------------------------------------------
// Mouse

bool TShineSpeedButton::event(QEvent* e) {
    if (e->type() == TButtonPressedEvent::EventType()) {
        GroupNotice(*static_cast<TButtonPressedEvent*>(e));
        return true;
    }
    if (e->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(e)->shortcutId() == FAccelShortcut && TakeAccelerator())
        return true;
    return QWidget::event(e);
}

void TShineSpeedButton::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), ShiftOf(e), p.x(), p.y());
}

// The second press of a double click is a press of its own; the double
// click is reported only while the button shows pressed.
void TShineSpeedButton::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), ShiftOf(e) | ssDouble, p.x(), p.y());
    if (e->button() == Qt::LeftButton && StatePressed() && OnDblClick)
        OnDblClick(this);
}

void TShineSpeedButton::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseMove(ShiftOf(e), p.x(), p.y());
}

void TShineSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseUp(e->button(), ShiftOf(e), p.x(), p.y());
}

void TShineSpeedButton::enterEvent(QEnterEvent*) {
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseEnter(GetShiftState(), p.x(), p.y());
}

void TShineSpeedButton::leaveEvent(QEvent*) {
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseLeave(GetShiftState(), p.x(), p.y());
}

void TShineSpeedButton::changeEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::EnabledChange:
        EnabledChanged();
        break;
    case QEvent::FontChange:
    case QEvent::PaletteChange:
        Invalidate();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

void TShineSpeedButton::MouseDown(Qt::MouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
    if (button != Qt::LeftButton || !isEnabled())
        return;
    const bool wasDown = FDown;
    SetState(stActiveDown);
    if (!wasDown)
        Invalidate();
    FTracking = true;
}

void TShineSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
    if (FTracking) {
        // The top row and left column count as outside while pressed.
        const bool inPressArea = x > 0 && x < width() && y > 0 && y < height();
        const TShineState s = inPressArea ? stActiveDown : (FDown ? stDown : stUp);
        if (s != FState) {
            SetState(s);
            Invalidate();
        }
    } else if (!FMouseInside) {
        UpdateTracking();
    }
}

// Any button's release ends the tracking; only a release inside clicks.
void TShineSpeedButton::MouseUp(Qt::MouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
    if (!FTracking)
        return;
    const bool inside = x >= 0 && x < width() && y >= 0 && y < height();
    if (FGroupIndex == 0) {
        SetState(stUp);
        FMouseInside = false;
        FDown = false;
        if (inside)
            Repaint();
    } else if (inside) {
        SetDown(!FDown);
        if (FDown)
            Repaint();
    } else {
        SetState(FDown ? stActiveDown : stActive);
        Repaint();
    }
    FTracking = false;
    if (inside) {
        // The click handler may destroy the button (closing its window).
        const QPointer<TShineSpeedButton> alive(this);
        Click();
        if (!alive)
            return;
    }
    UpdateTracking();
}

void TShineSpeedButton::Click() {
    auto run = [this] {
        auto* action = FAction.data();
        if (!(action && action->Execute()) && OnClick)
            OnClick(this);
    };
    if (!FClickDownHook) {
        run();
        return;
    }
    const TShineState saved = FState;
    SetState(stActiveDown);
    Repaint();
    // The previous look returns even when the handler throws.
    struct Restore {
        QPointer<TShineSpeedButton> Self;
        TShineState State;
        ~Restore() {
            if (!Self)
                return;
            Self->SetState(State);
            Self->Repaint();
        }
    } restore{this, saved};
    run();
}

void TShineSpeedButton::MouseEnter(TShiftState shift, int x, int y) {
    if (OnMouseEnter)
        OnMouseEnter(this, shift, x, y);
    if (FMouseInside || !isEnabled() || QWidget::mouseGrabber())
        return;
    FMouseInside = true;
    if (FState == stUp)
        SetState(stActive);
    else if (FState == stDown)
        SetState(stActiveDown);
    Repaint();
    FHoverTimer->start();
}

void TShineSpeedButton::MouseLeave(TShiftState shift, int x, int y) {
    if (OnMouseLeave)
        OnMouseLeave(this, shift, x, y);
    if (!FMouseInside || !isEnabled() || FTracking)
        return;
    FHoverTimer->stop();
    FMouseInside = false;
    if (FState == stActive)
        SetState(stUp);
    else if (FState == stActiveDown)
        SetState(stDown);
    Repaint();
}

// Catches a leave that the window system did not report.
void TShineSpeedButton::HoverTimerTick() {
    if (!FMouseInside || !isEnabled() || FTracking) {
        FHoverTimer->stop();
        return;
    }
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!rect().contains(p))
        MouseLeave(GetShiftState(), p.x(), p.y());
}

// Re-synchronises the hot look with the real cursor. The flag is set to the
// opposite of the truth so that the following enter or leave takes effect.
void TShineSpeedButton::UpdateTracking() {
    if (!isEnabled())
        return;
    const QPoint global = QCursor::pos();
    const bool over = QApplication::widgetAt(global) == this;
    const QPoint p = mapFromGlobal(global);
    FMouseInside = !over;
    if (FMouseInside)
        MouseLeave(GetShiftState(), p.x(), p.y());
    else
        MouseEnter(GetShiftState(), p.x(), p.y());
}

// Only a change of the button's own Enabled clears Down; a parent being
// disabled or enabled changes the look alone.
void TShineSpeedButton::EnabledChanged() {
    const bool own = !testAttribute(Qt::WA_ForceDisabled);
    if (own != FOwnEnabled) {
        FOwnEnabled = own;
        FDown = false;
    }
    if (!isEnabled())
        FTracking = false;
    SetState(FDown ? stDown : stUp); // stDisabled while disabled
    Invalidate();
}

// Qt reports no change of a button disabled inside a disabled parent, as
// the look stays the same; Down is cleared all the same.
void TShineSpeedButton::SetEnabled(bool v) {
    setEnabled(v);
    if (!testAttribute(Qt::WA_ForceDisabled) != FOwnEnabled)
        EnabledChanged();
}

// ---------------------------------------------------------------------------
// Keyboard

// Holds the caption's Alt+letter only while the accelerator is shown, so
// otherwise the letter stays free for another control.
void TShineSpeedButton::UpdateAccelerator() {
    if (FAccelShortcut)
        releaseShortcut(FAccelShortcut);
    FAccelShortcut = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(FCaption);
    if (FShowAccelChar && !mnemonic.isEmpty())
        FAccelShortcut = grabShortcut(mnemonic);
}

bool TShineSpeedButton::DialogChar(QChar ch) {
    const QString keys = QKeySequence::mnemonic(FCaption).toString(QKeySequence::PortableText);
    const bool isAccel = !keys.isEmpty() && keys.back().toUpper() == ch.toUpper();
    return isAccel && TakeAccelerator();
}

// Clicks the button for its accelerator (toggling Down with AccelCharDown)
// when the accelerator is shown and the button can be reached.
bool TShineSpeedButton::TakeAccelerator() {
    QWidget* parent = parentWidget();
    if (!FShowAccelChar || !isEnabled() || !isVisible() || !parent || !parent->isVisible())
        return false;
    if (FAccelCharDown)
        SetDown(!FDown);
    Click();
    return true;
}
