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
// QPlainTextEdit would insert the file's URL as text) never let the window
// see a drop. So while the window is registered, a file drag over any of its
// descendants in the same window is handled here as the window's own, at the
// point mapped into the window; other drags (text moved inside an editor)
// still reach the child.
#pragma once

#include "CtlHook.h"

#include <QStringList>
#include <functional>

class QDropEvent;
class QMimeData;

// Files: the local paths dropped, in order; X, Y: the drop point in the
// hooked window's client coordinates. Files lives for the call only.
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

protected:
    void HandleChanged(std::uint8_t reason) override;
    bool WndProc(QEvent* event) override;
    void UpdateAcceptFiles();

private:
    bool AcceptingFiles() const;
    bool FilterChildDrag(QObject* watched, QEvent* event);
    bool HandleFileDrag(QWidget* receiver, QEvent* event);
    void FinishDrop(QWidget* receiver, QDropEvent* drop, const QStringList& files);
    void DoFileDrop(const QStringList& files, QPoint point);

    bool FAcceptDrop = true;
    QObject* FChildTap = nullptr;
};
