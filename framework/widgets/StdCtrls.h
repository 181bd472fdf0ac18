// Standard controls Qt lacks in the form the program needs.
#pragma once

#include <QLineEdit>

// A single-line edit field: like the platform's, text pasted or dropped into
// it is taken up to its first line break, so the field never holds one.
class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);
};

// old: the field's text before an edit; edited: the text the edit proposes.
// Returns edited with the inserted part cut at its first line break, and the
// caret position after it.
QString SingleLineEdit(const QString& old, const QString& edited, int* caret);
