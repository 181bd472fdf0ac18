// A non-visual component that makes a window take files dragged onto it and
// hands their paths, with the drop point, to OnFileDrop.
//
// Drops are taken only while AcceptDrop is set and the hooked window has been
// registered (setAcceptDrops), which happens in Loaded, after every window
// re-creation and when AcceptDrop changes; setting Control or Target alone
// does not register. A drag counts as a file drag when its URL list holds at
// least one local file; other drags go on to the widgets as usual.
//
// Children of the hooked window that take drops of their own (a
// QPlainTextEdit would insert the file's URL as text, and accept a move that
// lets the source delete the file) must never get a file drag. So one
// application-wide filter routes every file drag among the live drop targets:
// the drag goes to the innermost registered target whose hooked window holds
// the widget under the cursor (within one window), at the point mapped into
// that window's client area; a target's window without a registration of its
// own (AcceptDrop false) passes drags on to the next target outwards, and when
// no target around the widget is registered the drag is refused. Other drags
// (text moved inside an editor) reach the widgets as usual.
#pragma once

#include "CtlHook.h"

#include <QStringList>
#include <functional>

class QDropEvent;
class QMimeData;

// Files: the local paths dropped, in order; X, Y: the drop point in the
// hooked window's client area (below its menu bar, if it has one). Files
// lives for the call only.
using TFileDropEvent = std::function<void(QObject* Sender, const QStringList& Files, int X, int Y)>;

class TDropDst : public TControlHook {
    Q_OBJECT
public:
    explicit TDropDst(QObject* owner);
    ~TDropDst() override;

    TFileDropEvent OnFileDrop;

    bool AcceptDrop() const { return FAcceptDrop; }
    void SetAcceptDrop(bool value);

    void Loaded() override;

    // The local paths among the URLs a drag carries, in order, whole.
    static QStringList LocalFiles(const QMimeData* data);
    // Whether the drag carries any file URL, local or of another host.
    static bool HasFileUrl(const QMimeData* data);

protected:
    void HandleChanged(std::uint8_t reason) override;
    bool WndProc(QEvent* event) override;
    void UpdateAcceptFiles();

private:
    // Registered: the hooked window takes drops now.
    bool AcceptingFiles() const;
    static QList<TDropDst*>& LiveTargets();
    static bool RouteDrag(QObject* watched, QEvent* event);
    static TDropDst* TargetFor(QWidget* widget, bool* covered);
    void TakeFileDrag(QWidget* receiver, QDropEvent* drag, const QStringList& files);
    QPoint ClientPoint(QWidget* receiver, QPointF position) const;
    void DoFileDrop(const QStringList& files, QPoint point);

    bool FAcceptDrop = true;
};
