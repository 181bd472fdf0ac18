#include "FileDialogs.h"

#include <QComboBox>
#include <QFileDialog>

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
