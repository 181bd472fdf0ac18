#include "DropDst.h"

#include "Application.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// An application-wide event filter that forwards to a function, so that the
// drop target can watch its window's descendants without its own filter
// (which sees the hooked window's events) being called twice.
class TEventTap : public QObject {
public:
    TEventTap(QObject* parent, std::function<bool(QObject*, QEvent*)> filter)
        : QObject(parent), FFilter(std::move(filter)) {}
    bool eventFilter(QObject* watched, QEvent* event) override { return FFilter(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> FFilter;
};

bool IsDragEvent(const QEvent* event) {
    const QEvent::Type type = event->type();
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
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
    drop->ignore();
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
    FChildTap = new TEventTap(
        this, [this](QObject* watched, QEvent* event) { return FilterChildDrag(watched, event); });
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(FChildTap);
}

TDropDst::~TDropDst() = default;

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
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            files.append(path);
    }
    return files;
}

bool TDropDst::WndProc(QEvent* event) {
    if (HandleFileDrag(HookedControl(), event))
        return true;
    return TControlHook::WndProc(event);
}

bool TDropDst::AcceptingFiles() const {
    QWidget* control = HookedControl();
    return FAcceptDrop && control && control->acceptDrops();
}

bool TDropDst::FilterChildDrag(QObject* watched, QEvent* event) {
    if (!IsDragEvent(event))
        return false;
    QWidget* control = HookedControl();
    auto* widget = qobject_cast<QWidget*>(watched);
    // isAncestorOf stays within one window: a dialog owned by the form keeps
    // its own drops.
    if (!control || !widget || widget == control || !control->isAncestorOf(widget))
        return false;
    return HandleFileDrag(widget, event);
}

bool TDropDst::HandleFileDrag(QWidget* receiver, QEvent* event) {
    if (!receiver || !IsDragEvent(event) || !AcceptingFiles())
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList files = LocalFiles(drop->mimeData());
    if (files.isEmpty())
        return false;
    if (event->type() == QEvent::Drop)
        FinishDrop(receiver, drop, files);
    else
        AcceptFileAction(drop);
    return true;
}

// The drop is accepted whatever the handler does, so the source is never left
// waiting and the next drop starts clean.
void TDropDst::FinishDrop(QWidget* receiver, QDropEvent* drop, const QStringList& files) {
    const QPoint point = receiver->mapTo(HookedControl(), drop->position().toPoint());
    try {
        DoFileDrop(files, point);
    } catch (...) {
        ReportCurrentException();
    }
    AcceptFileAction(drop);
}

void TDropDst::DoFileDrop(const QStringList& files, QPoint point) {
    if (!OnFileDrop)
        return;
    // A copy, so a handler that replaces OnFileDrop does not destroy itself.
    const TFileDropEvent handler = OnFileDrop;
    const QStringList list = files;
    handler(this, list, point.x(), point.y());
}
