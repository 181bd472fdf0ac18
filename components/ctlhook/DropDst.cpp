#include "DropDst.h"

#include "Application.h"
#include "PathNames.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLayout>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace {

// An event filter that forwards to a function.
class TEventTap : public QObject {
public:
    explicit TEventTap(std::function<bool(QObject*, QEvent*)> filter)
        : FFilter(std::move(filter)) {}
    bool eventFilter(QObject* watched, QEvent* event) override { return FFilter(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> FFilter;
};

// The one application-wide filter that routes file drags among the live drop
// targets; it exists while any target does.
TEventTap* DragRouter = nullptr;

bool IsDragEvent(const QEvent* event) {
    const QEvent::Type type = event->type();
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

void RefuseDrag(QDropEvent* drag) {
    drag->setDropAction(Qt::IgnoreAction);
    drag->ignore();
}

// Files are only read, so a copy is asked for: accepting a proposed move
// would let the source delete the file once the drop is done.
bool AcceptFileAction(QDropEvent* drop) {
    const Qt::DropActions possible = drop->possibleActions();
    for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (possible & action) {
            drop->setDropAction(action);
            drop->accept();
            return true;
        }
    }
    RefuseDrag(drop);
    return false;
}

void ReportCurrentException() {
    if (TApplication* app = Application())
        app->HandleCurrentException();
    else
        qWarning("TDropDst: exception in OnFileDrop");
}

} // namespace

TDropDst::TDropDst(QObject* owner) : TControlHook(owner) {
    LiveTargets().append(this);
    if (!DragRouter) {
        DragRouter = new TEventTap(&TDropDst::RouteDrag);
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(DragRouter);
    }
}

TDropDst::~TDropDst() {
    LiveTargets().removeOne(this);
    if (LiveTargets().isEmpty()) {
        delete DragRouter; // leaves the application's filter list by itself
        DragRouter = nullptr;
    }
}

QList<TDropDst*>& TDropDst::LiveTargets() {
    static QList<TDropDst*> targets;
    return targets;
}

void TDropDst::SetAcceptDrop(bool value) {
    if (value == FAcceptDrop)
        return;
    FAcceptDrop = value;
    UpdateAcceptFiles();
}

void TDropDst::Loaded() {
    TControlHook::Loaded();
    UpdateAcceptFiles();
}

void TDropDst::HandleChanged(std::uint8_t reason) {
    TControlHook::HandleChanged(reason);
    UpdateAcceptFiles();
}

void TDropDst::UpdateAcceptFiles() {
    QWidget* control = HookedControl();
    const WId handle = Handle();
    if (!control || handle == 0 || handle == HandlePending || control->internalWinId() != handle)
        return;
    control->setAcceptDrops(FAcceptDrop);
}

QStringList TDropDst::LocalFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    // The URL's percent-encoded bytes stay the name's bytes (a name need not be
    // UTF-8); a file URL naming another host is no local file and is skipped.
    for (const QUrl& url : data->urls())
        if (const std::optional<QString> path = LocalPathFromFileUrl(url))
            files.append(*path);
    return files;
}

bool TDropDst::HasFileUrl(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) {
        return url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
    });
}

bool TDropDst::WndProc(QEvent* event) {
    return RouteDrag(HookedControl(), event) || TControlHook::WndProc(event);
}

bool TDropDst::AcceptingFiles() const {
    QWidget* control = HookedControl();
    return FAcceptDrop && control && control->acceptDrops();
}

// A file drag never reaches a widget inside a hooked window: it goes to the
// innermost registered target around the widget, or is refused when none of
// the targets around it is registered.
bool TDropDst::RouteDrag(QObject* watched, QEvent* event) {
    if (!watched || !watched->isWidgetType() || !IsDragEvent(event))
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    bool anyAround = false;
    TDropDst* target = TargetFor(widget, &anyAround);
    if (!anyAround)
        return false;
    auto* drag = static_cast<QDropEvent*>(event);
    const QStringList files = LocalFiles(drag->mimeData());
    if (files.isEmpty()) {
        // A file URL of another host is no local file, yet still no text for
        // the widget to insert: refused before anything is touched.
        if (!HasFileUrl(drag->mimeData()))
            return false;
        RefuseDrag(drag);
        return true;
    }
    if (target)
        target->TakeFileDrag(widget, drag, files);
    else
        RefuseDrag(drag);
    return true;
}

// Walks out from the widget to its window, as the platform looks for the
// window that takes dropped files; anyAround tells whether any target hooks
// one of those widgets, registered or not.
TDropDst* TDropDst::TargetFor(QWidget* widget, bool* anyAround) {
    const QList<TDropDst*>& targets = LiveTargets();
    for (QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        // The newest hook on a window sees its events first.
        for (auto it = targets.crbegin(); it != targets.crend(); ++it) {
            if ((*it)->HookedControl() != w)
                continue;
            *anyAround = true;
            if ((*it)->AcceptingFiles())
                return *it;
        }
    }
    return nullptr;
}

// The drop is accepted before the handler runs, whatever it does, so the
// source is never left waiting and the next drop starts clean.
void TDropDst::TakeFileDrag(QWidget* receiver, QDropEvent* drag, const QStringList& files) {
    if (!AcceptFileAction(drag) || drag->type() != QEvent::Drop)
        return;
    try {
        DoFileDrop(files, ClientPoint(receiver, drag->position()));
    } catch (...) {
        ReportCurrentException();
    }
}

// A menu bar lies outside the client area, as on a form.
QPoint TDropDst::ClientPoint(QWidget* receiver, QPointF position) const {
    QWidget* control = HookedControl();
    QPoint point = receiver->mapTo(control, position.toPoint());
    const QLayout* layout = control->layout();
    const QWidget* menu = layout ? layout->menuBar() : nullptr;
    if (menu && !menu->isHidden())
        point.ry() -= menu->geometry().bottom() + 1;
    return point;
}

void TDropDst::DoFileDrop(const QStringList& files, QPoint point) {
    if (!OnFileDrop)
        return;
    // A copy, so a handler that replaces OnFileDrop does not destroy itself.
    const TFileDropEvent handler = OnFileDrop;
    const QStringList list = files;
    handler(this, list, point.x(), point.y());
}
