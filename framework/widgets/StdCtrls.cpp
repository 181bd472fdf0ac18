#include "StdCtrls.h"

#include <QRegularExpression>
#include <QValidator>

QString SingleLineEdit(const QString& old, const QString& edited, int* caret) {
    // The inserted part is what lies between the common head and tail.
    qsizetype head = 0;
    const qsizetype shorter = std::min(old.size(), edited.size());
    while (head < shorter && old[head] == edited[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && old[old.size() - 1 - tail] == edited[edited.size() - 1 - tail])
        ++tail;
    QString inserted = edited.mid(head, edited.size() - head - tail);
    const qsizetype brk = inserted.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
    if (brk >= 0)
        inserted.truncate(brk);
    if (caret)
        *caret = int(head + inserted.size());
    return edited.left(head) + inserted + edited.right(tail);
}

namespace {

// The field already holds the proposed text when it asks; the text before the
// edit is kept from the last change.
class TSingleLineValidator : public QValidator {
public:
    explicit TSingleLineValidator(QLineEdit* edit) : QValidator(edit), FBefore(edit->text()) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { FBefore = t; });
    }
    State validate(QString& input, int& pos) const override {
        if (input.contains(u'\n') || input.contains(u'\r'))
            input = SingleLineEdit(FBefore, input, &pos);
        return Acceptable;
    }

private:
    QString FBefore;
};

} // namespace

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new TSingleLineValidator(this));
}
