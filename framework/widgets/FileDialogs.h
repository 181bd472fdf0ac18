// File dialog components over the non-native QFileDialog. Filters keep the
// "description|pattern|description|pattern" form and become Qt name filters
// only at the edge.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QFileDialog;

// "Htm(*.htm)|*.htm|All(*.*)|*.*" -> the Qt name filters, one per pair.
QStringList FilterToNameFilters(const QString& filter);

// Gives the dialog the filter's name filters, selects the one at position
// (0-based; out of range selects the first) and shows each description in
// the type list exactly as written ("All(*.*)"); the dialog keeps matching by
// the name filters, by position. An empty filter leaves the list empty.
void ApplyNameFilters(QFileDialog* dialog, const QString& filter, int position);
// The 0-based position of the type chosen in the dialog's type list.
int SelectedFilterPosition(const QFileDialog* dialog);

// Lists, after the dialog's own entries, the files of the folder shown whose
// names are not UTF-8 (the toolkit's listing leaves them out), under their
// readable names. Clicking one puts that name in the file-name box, and a
// double click or Enter opens it; the chosen name is then found again with
// ResolveChosenPath. Call once, before the dialog is shown and before
// connecting to its views' selection models, which this replaces.
void ListFilesNamedNotInUtf8(QFileDialog* dialog);
// Lists them afresh after the dialog's name filters changed in code.
void RelistFilesNamedNotInUtf8(QFileDialog* dialog);

// Widens the dialog, before it is first shown, so that the detail view's
// size, type and date columns show their texts whole: the widest texts the
// listing gives for files and folders, measured as the view measures a cell.
void WidenForDetailColumns(QFileDialog* dialog);

// A save dialog: no overwrite prompt, default extension appended to a name
// typed without one.
class TSaveDialog : public QObject {
    Q_OBJECT
public:
    explicit TSaveDialog(QObject* owner = nullptr);

    QString Filter() const { return FFilter; }
    void SetFilter(const QString& filter) { FFilter = filter; }
    // 1-based; after a confirmed Execute, the entry chosen in the dialog.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int index) { FFilterIndex = index; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& name) { FFileName = name; }
    QString DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& ext) { FDefaultExt = ext; }
    QString InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString& dir) { FInitialDir = dir; }

    // Shows the dialog modally; true when the user confirmed a name.
    bool Execute(QWidget* parent = nullptr);

private:
    QString FFilter;
    int FFilterIndex = 1;
    QString FFileName;
    QString FDefaultExt;
    QString FInitialDir;
};
