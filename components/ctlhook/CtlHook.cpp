#include "CtlHook.h"

#include "SysUtils.h"

#include <QPlatformSurfaceEvent>

TControlHook::TControlHook(QObject* owner) : QObject(owner) {}

// Not SetHooked: even a hook in the design state must leave no filter behind.
TControlHook::~TControlHook() {
    Unhook();
}

void TControlHook::SetControl(QWidget* value) {
    SetHooked(false);
    FControl = value;
    SetHooked(true);
}

void TControlHook::SetTarget(THookTarget value) {
    SetHooked(false);
    FTarget = value;
    SetHooked(true);
}

void TControlHook::Loaded() {
    SetControl(FControl);
}

QWidget* TControlHook::FindParentForm(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        if (auto* widget = qobject_cast<QWidget*>(o))
            return widget->window();
    }
    return nullptr;
}

QWidget* TControlHook::GetTargetControl() {
    if (FTarget == htForm)
        return FindParentForm(FControl ? static_cast<QObject*>(FControl.data()) : this);
    return FControl;
}

void TControlHook::SetHooked(bool value) {
    if (FDesigning)
        return;
    if (value)
        Hook();
    else
        Unhook();
}

void TControlHook::Hook() {
    Unhook();
    QWidget* control = GetTargetControl();
    // winId() creates the native window when there is none yet.
    const WId handle = control ? control->winId() : 0;
    if (handle == 0) {
        if (FTarget == htForm)
            throw Exception(QStringLiteral("フック先を特定できません。"));
        return;
    }
    FHandle = handle;
    FHookedControl = control;
    connect(control, &QObject::destroyed, this, &TControlHook::ControlDestroyed,
            Qt::UniqueConnection);
    control->installEventFilter(this);
}

void TControlHook::Unhook() {
    if (!FHookedControl)
        return;
    FHookedControl->removeEventFilter(this);
    FHandle = 0;
    FHookedControl = nullptr;
}

void TControlHook::ControlDestroyed(QObject* object) {
    Notification(object, opRemove);
}

void TControlHook::Notification(QObject* component, TOperation operation) {
    if (operation != opRemove || !component || component != FHookedControl)
        return;
    // Cleared first: what is left of the widget is no QWidget any more.
    FHookedControl = nullptr;
    HandleChanged(hcDestroyed);
}

void TControlHook::HandleChanged(std::uint8_t reason) {
    if (reason == hcDestroyed)
        FHandle = 0;
    else
        FHandle = FHookedControl ? FHookedControl->winId() : 0;
}

bool TControlHook::WndProc(QEvent*) {
    return false;
}

bool TControlHook::eventFilter(QObject* watched, QEvent* event) {
    if (!FHookedControl || watched != FHookedControl)
        return false;
    TrackWindow(event);
    return WndProc(event);
}

// Qt reports a native window's birth and death both as a window id change and
// as a platform surface event; either may come first, so each side acts once.
void TControlHook::TrackWindow(QEvent* event) {
    switch (event->type()) {
    case QEvent::WinIdChange:
        if (FHookedControl->internalWinId())
            FHandle = HandlePending;
        else
            WindowGone();
        break;
    case QEvent::PlatformSurface:
        if (static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceCreated)
            FHandle = HandlePending;
        else
            WindowGone();
        break;
    default:
        if (FHandle == HandlePending && FHookedControl->internalWinId())
            HandleChanged(hcCreated);
        break;
    }
}

void TControlHook::WindowGone() {
    if (FHandle != 0)
        HandleChanged(hcDestroyed);
}
