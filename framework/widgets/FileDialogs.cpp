#include "FileDialogs.h"

#include <QFileDialog>

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

TSaveDialog::TSaveDialog(QObject* owner) : QObject(owner) {}

bool TSaveDialog::Execute(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(FDefaultExt);
    const QStringList filters = FilterToNameFilters(FFilter);
    dialog.setNameFilters(filters);
    if (FFilterIndex >= 1 && FFilterIndex <= filters.size())
        dialog.selectNameFilter(filters[FFilterIndex - 1]);
    if (!FInitialDir.isEmpty())
        dialog.setDirectory(FInitialDir);
    if (!FFileName.isEmpty())
        dialog.selectFile(FFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FFileName = dialog.selectedFiles().constFirst();
    FFilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}
