#include "FileDialogs.h"

#include "PathNames.h"

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTreeView>
#include <algorithm>
#include <array>
#include <sys/stat.h>

namespace {

QComboBox* TypeList(const QFileDialog* dialog) {
    return dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

// The description of each "description|pattern" pair, in order.
QStringList FilterDescriptions(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList descriptions;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        descriptions << parts[i];
    return descriptions;
}

// The dialog's listing with the files named not in UTF-8 appended to the
// folder shown. Such a row has no source index; its internal pointer is
// kExtraRow and its number counts on from the folder's own rows.
class TByteNamedFilesProxy : public QIdentityProxyModel {
public:
    explicit TByteNamedFilesProxy(QFileDialog* dialog) : QIdentityProxyModel(dialog) {
        setObjectName(QStringLiteral("byteNamedFilesProxy"));
    }

    bool IsExtra(const QModelIndex& index) const {
        return index.isValid() && index.model() == this && index.internalPointer() == &kExtraRow;
    }
    // The readable name of an appended row.
    QString ShownName(const QModelIndex& index) const { return Entry(index).Shown; }
    QString ShownPath(const QModelIndex& index) const { return FFolder + u'/' + ShownName(index); }

    // Lists the folder's files afresh, under the model's current filters.
    void Relist(const QString& folder) {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files)
            return;
        QList<TEntry> shown = Matching(files, folder);
        const QPersistentModelIndex root = files->index(folder);
        if (root == FRoot && shown == FShown)
            return;
        if (!FShown.isEmpty() && FRoot.isValid()) {
            const int first = SourceRows();
            beginRemoveRows(mapFromSource(FRoot), first, first + int(FShown.size()) - 1);
            FShown.clear();
            endRemoveRows();
        }
        FShown.clear(); // a folder since removed took its rows with it
        FRoot = root;
        FFolder = folder;
        if (shown.isEmpty() || !root.isValid())
            return;
        const int first = SourceRows();
        beginInsertRows(mapFromSource(FRoot), first, first + int(shown.size()) - 1);
        FShown = shown;
        endInsertRows();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        if (IsExtra(parent))
            return 0;
        return QIdentityProxyModel::rowCount(parent) + (IsRoot(parent) ? int(FShown.size()) : 0);
    }
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (IsRoot(parent) && row >= SourceRows()) {
            if (row >= rowCount(parent) || column < 0 || column >= columnCount(parent))
                return {};
            return createIndex(row, column, &kExtraRow);
        }
        return QIdentityProxyModel::index(row, column, parent);
    }
    QModelIndex parent(const QModelIndex& child) const override {
        return IsExtra(child) ? mapFromSource(FRoot) : QIdentityProxyModel::parent(child);
    }
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override {
        return this->index(row, column, parent(index));
    }
    QModelIndex mapToSource(const QModelIndex& index) const override {
        return IsExtra(index) ? QModelIndex() : QIdentityProxyModel::mapToSource(index);
    }
    bool hasChildren(const QModelIndex& parent = {}) const override {
        if (IsExtra(parent))
            return false;
        return (IsRoot(parent) && !FShown.isEmpty()) || QIdentityProxyModel::hasChildren(parent);
    }
    bool canFetchMore(const QModelIndex& parent) const override {
        return !IsExtra(parent) && QIdentityProxyModel::canFetchMore(parent);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (IsExtra(index))
            return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
        return QIdentityProxyModel::flags(index);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return IsExtra(index) ? ExtraData(index, role) : QIdentityProxyModel::data(index, role);
    }

private:
    static inline const char kExtraRow = 0;

    bool IsRoot(const QModelIndex& parent) const {
        return FRoot.isValid() && !IsExtra(parent) && mapToSource(parent) == FRoot;
    }
    int SourceRows() const { return FRoot.isValid() ? sourceModel()->rowCount(FRoot) : 0; }

    struct TEntry {
        QString Shown; // the readable name
        qint64 Size = 0;
        QDateTime Modified;
        bool operator==(const TEntry&) const = default;
    };

    const TEntry& Entry(const QModelIndex& index) const {
        static const TEntry none;
        const qsizetype at = index.row() - SourceRows();
        return at >= 0 && at < FShown.size() ? FShown[at] : none;
    }

    static bool PassesNameFilters(const QStringList& filters, const QString& name) {
        return filters.isEmpty() ||
               std::any_of(filters.begin(), filters.end(), [&](const QString& filter) {
                   return QRegularExpression(
                              QRegularExpression::wildcardToRegularExpression(filter),
                              QRegularExpression::CaseInsensitiveOption)
                       .match(name)
                       .hasMatch();
               });
    }

    // The folder's files named not in UTF-8 that the model's filters let
    // through, sorted by their readable names.
    static QList<TEntry> Matching(const QFileSystemModel* files, const QString& folder) {
        const bool hidden = files->filter().testFlag(QDir::Hidden);
        const QStringList filters = files->nameFilters();
        QList<TEntry> shown;
        for (const QString& name : FilesNamedNotInUtf8(folder)) {
            const QString readable = DisplayPath(name);
            struct stat st;
            if ((readable.startsWith(u'.') && !hidden) || !PassesNameFilters(filters, readable) ||
                stat(PathToBytes(folder + u'/' + name).constData(), &st) != 0)
                continue;
            shown.append(
                {readable, qint64(st.st_size), QDateTime::fromSecsSinceEpoch(st.st_mtime)});
        }
        std::sort(shown.begin(), shown.end(), [](const TEntry& a, const TEntry& b) {
            return QString::localeAwareCompare(a.Shown, b.Shown) < 0;
        });
        return shown;
    }

    QVariant ExtraData(const QModelIndex& index, int role) const {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        const QFileInfo info(ShownPath(index)); // read by name and suffix only
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            switch (index.column()) {
            case 0:
                return ShownName(index);
            case 1:
                return QLocale::system().formattedDataSize(Entry(index).Size);
            case 2:
                return files && files->iconProvider() ? files->iconProvider()->type(info)
                                                      : QString();
            case 3:
                return QLocale::system().toString(Entry(index).Modified, QLocale::ShortFormat);
            }
            return {};
        case Qt::DecorationRole:
            if (index.column() == 0 && files && files->iconProvider())
                return files->iconProvider()->icon(QAbstractFileIconProvider::File);
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == 1)
                return QVariant(Qt::AlignTrailing | Qt::AlignVCenter);
            return {};
        case QFileSystemModel::FilePathRole:
            return ShownPath(index);
        case QFileSystemModel::FileNameRole:
            return ShownName(index);
        }
        return {};
    }

    QPersistentModelIndex FRoot; // the folder shown, in the source model
    QString FFolder;
    QList<TEntry> FShown;
};

TByteNamedFilesProxy* ByteNamedFiles(const QFileDialog* dialog) {
    return dialog->findChild<TByteNamedFilesProxy*>(QStringLiteral("byteNamedFilesProxy"),
                                                    Qt::FindDirectChildrenOnly);
}

QLineEdit* NameBox(const QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// The appended row chosen in view, if one is.
QModelIndex ChosenExtra(const TByteNamedFilesProxy* proxy, const QAbstractItemView* view) {
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.size() == 1 && proxy->IsExtra(rows.constFirst()))
        return rows.constFirst();
    return {};
}

// Puts the row's readable name in the name box, where the dialog's own
// selection handling, which knows no such row, leaves it alone.
void ShowChosenName(QFileDialog* dialog, const TByteNamedFilesProxy* proxy,
                    const QModelIndex& index) {
    if (QLineEdit* box = NameBox(dialog)) {
        box->setText(proxy->ShownName(index));
        // An open dialog for existing files only knows its own rows.
        if (auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            if (QPushButton* open = buttons->button(QDialogButtonBox::Open))
                open->setEnabled(true);
    }
}

// Double click and Enter on an appended row open it; the dialog would take
// the row, which has no path of its own, for the top of the file system.
class TActivationFilter : public QObject {
public:
    TActivationFilter(QFileDialog* dialog, TByteNamedFilesProxy* proxy, QAbstractItemView* view)
        : QObject(view), FDialog(dialog), FProxy(proxy), FView(view) {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QModelIndex index;
        if (event->type() == QEvent::MouseButtonDblClick && watched == FView->viewport())
            index = FView->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::KeyPress && watched == FView &&
                 IsEnter(static_cast<QKeyEvent*>(event)))
            index = FView->currentIndex();
        if (!FProxy->IsExtra(index))
            return QObject::eventFilter(watched, event);
        FView->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
        ShowChosenName(FDialog, FProxy, index);
        static_cast<QDialog*>(FDialog)->accept(); // the dialog's own accept, protected there
        return true;
    }

private:
    static bool IsEnter(const QKeyEvent* key) {
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    }

    QFileDialog* FDialog;
    TByteNamedFilesProxy* FProxy;
    QAbstractItemView* FView;
};

} // namespace

QStringList FilterToNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            // "*.*" means every file; on Linux it would miss names without a dot.
            if (p == u"*.*")
                p = QStringLiteral("*");
        }
        // Qt reads the patterns from the last parenthesised group.
        const QString bracketed = u'(' + patterns.join(u' ') + u')';
        out << (description.endsWith(bracketed) ? description : description + u' ' + bracketed);
    }
    return out;
}

void ApplyNameFilters(QFileDialog* dialog, const QString& filter, int position) {
    const QStringList filters = FilterToNameFilters(filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty())
        dialog->selectNameFilter(filters.value(position, filters.first()));
    QComboBox* combo = TypeList(dialog);
    if (!combo)
        return;
    if (filters.isEmpty()) {
        combo->clear(); // not the toolkit's own "all files" entry
        return;
    }
    const QStringList descriptions = FilterDescriptions(filter);
    for (int i = 0; i < combo->count() && i < descriptions.size(); ++i)
        combo->setItemText(i, descriptions[i]);
}

int SelectedFilterPosition(const QFileDialog* dialog) {
    const QComboBox* combo = TypeList(dialog);
    return combo ? combo->currentIndex() : -1;
}

void ListFilesNamedNotInUtf8(QFileDialog* dialog) {
    auto* proxy = new TByteNamedFilesProxy(dialog);
    dialog->setProxyModel(proxy);
    auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    if (!files)
        return;
    QObject::connect(files, &QFileSystemModel::rootPathChanged, proxy,
                     [proxy](const QString& folder) { proxy->Relist(folder); });
    QObject::connect(dialog, &QFileDialog::filterSelected, proxy,
                     [dialog] { RelistFilesNamedNotInUtf8(dialog); });
    for (const QString& name : {QStringLiteral("listView"), QStringLiteral("treeView")})
        if (auto* view = dialog->findChild<QAbstractItemView*>(name))
            new TActivationFilter(dialog, proxy, view);
    if (auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView")))
        QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, proxy,
                         [dialog, proxy, list] {
                             if (const QModelIndex chosen = ChosenExtra(proxy, list);
                                 chosen.isValid())
                                 ShowChosenName(dialog, proxy, chosen);
                         });
    RelistFilesNamedNotInUtf8(dialog);
}

void RelistFilesNamedNotInUtf8(QFileDialog* dialog) {
    if (TByteNamedFilesProxy* proxy = ByteNamedFiles(dialog))
        proxy->Relist(dialog->directory().absolutePath());
}

namespace {

// What the listing shows in the size, type and date columns at their widest:
// sizes of each unit, the types of text files, folders and other files, and
// a time with two-digit fields.
std::array<QStringList, 3> WidestColumnTexts(const QFileDialog* dialog) {
    const QLocale locale = QLocale::system();
    const QMimeDatabase types;
    QStringList sizes;
    for (const qint64 size :
         {qint64(1023), qint64(1023) << 10, qint64(1023) << 20, qint64(1023) << 30})
        sizes << locale.formattedDataSize(size - 1) << locale.formattedDataSize(size);
    QStringList kinds;
    for (const char* name :
         {"text/plain", "text/html", "inode/directory", "application/octet-stream"})
        kinds << types.mimeTypeForName(QLatin1String(name)).comment();
    if (const QAbstractFileIconProvider* icons = dialog->iconProvider()) // "Folder"
        kinds << icons->type(QFileInfo(dialog->directory().absolutePath()));
    const QDateTime late(QDate(2026, 12, 28), QTime(23, 58, 58));
    return {sizes, kinds, {locale.toString(late, QLocale::ShortFormat)}};
}

} // namespace

void WidenForDetailColumns(QFileDialog* dialog) {
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return;
    const QFontMetrics metrics(view->font());
    // The text's margins inside a cell, as the style draws an item.
    const int margins =
        2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    QHeaderView* header = view->header();
    const std::array<QStringList, 3> texts = WidestColumnTexts(dialog);
    int grow = 0;
    for (int column = 1; column <= 3; ++column) {
        int need = header->sectionSizeHint(column);
        for (const QString& text : texts[size_t(column - 1)])
            need = std::max(need, metrics.horizontalAdvance(text) + margins);
        if (need > header->sectionSize(column)) {
            grow += need - header->sectionSize(column);
            header->resizeSection(column, need);
        }
    }
    dialog->resize(dialog->width() + grow, dialog->height());
}

TSaveDialog::TSaveDialog(QObject* owner) : QObject(owner) {}

bool TSaveDialog::Execute(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(FDefaultExt);
    ApplyNameFilters(&dialog, FFilter, FFilterIndex - 1);
    if (!FInitialDir.isEmpty())
        dialog.setDirectory(FInitialDir);
    if (!FFileName.isEmpty())
        dialog.selectFile(FFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FFileName = dialog.selectedFiles().constFirst();
    FFilterIndex = SelectedFilterPosition(&dialog) + 1;
    return true;
}
