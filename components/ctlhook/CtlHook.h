// A non-visual component that sees every event of one widget, or of the form
// holding it, before the widget handles it, without subclassing the widget.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>

// Which widget a hook watches.
enum THookTarget : std::uint8_t {
    htControl, // the widget named by Control
    htForm,    // the form holding Control, or the owner's form when Control is unset
};

// The kind of change reported to Notification.
enum TOperation : std::uint8_t { opInsert, opRemove };

class TControlHook : public QObject {
    Q_OBJECT
public:
    // The cached handle while a new native window is being created and its
    // id is not known yet.
    static constexpr WId HandlePending = ~WId(0);

    // Reasons passed to HandleChanged.
    static constexpr std::uint8_t hcDestroyed = 1;
    static constexpr std::uint8_t hcCreated = 2;

    explicit TControlHook(QObject* owner);
    ~TControlHook() override;

    // Writing either property re-hooks, even when the value is unchanged.
    // Hooking asks for the target's window id, which creates its native
    // window; a child widget hooked with htControl becomes a native widget.
    QWidget* Control() const { return FControl; }
    void SetControl(QWidget* value);
    THookTarget Target() const { return FTarget; }
    void SetTarget(THookTarget value);

    // Called by the form once the stored values are set: re-hooks with them.
    virtual void Loaded();

    // No hooking while a form is being designed.
    bool Designing() const { return FDesigning; }
    void SetDesigning(bool value) { FDesigning = value; }

    // The widget whose events are watched now; null while nothing is hooked.
    QWidget* HookedControl() const { return FHookedControl; }
    // The hooked widget's native window id: 0 without a window, HandlePending
    // while one is being created.
    WId Handle() const { return FHandle; }

    // The form an object belongs to: a widget's window(), or for another
    // object the form of its nearest owner; null when there is none.
    static QWidget* FindParentForm(QObject* object);

protected:
    // 1: the window went away or the hooked widget is being removed;
    // 2: the hooked widget has a new window.
    virtual void HandleChanged(std::uint8_t reason);
    // Gets every event of the hooked widget first. Returning false passes the
    // event on to the widget; true consumes it.
    virtual bool WndProc(QEvent* event);
    // opRemove comes from the component's destroyed signal: it is no widget
    // any more, and HookedControl is already null when HandleChanged(1) runs.
    virtual void Notification(QObject* component, TOperation operation);

    QWidget* GetTargetControl();
    void SetHooked(bool value);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Hook();
    void Unhook();
    void TrackWindow(QEvent* event);
    void WindowGone();
    void ControlDestroyed(QObject* object);

    THookTarget FTarget = htControl;
    // Guarded: a destroyed control reads as null.
    QPointer<QWidget> FControl;
    // Raw on purpose: cleared from the destroyed signal, which arrives after
    // a QPointer would already read null and could no longer be matched.
    QWidget* FHookedControl = nullptr;
    WId FHandle = 0;
    bool FDesigning = false;
};
