#include "RichEdit.h"

#include "SysUtils.h"
#include "TextFile.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// QTextDocument separates blocks with U+2029 and may hold U+2028 inside one.
QString ToLf(QString raw) {
    raw.replace(QChar::ParagraphSeparator, u'\n');
    raw.replace(QChar::LineSeparator, u'\n');
    return raw;
}

} // namespace

int TRichEditStrings::Count() const {
    const QTextDocument* doc = FEdit.document();
    const int blocks = doc->blockCount();
    return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

QString TRichEditStrings::Strings(int index) const {
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return FEdit.document()->findBlockByNumber(index).text();
}

QTextCursor TRichEditStrings::Cursor() {
    if (!FBatch)
        return QTextCursor(FEdit.document());
    // One edit block reports all its changes as one range, and a range from
    // the first line to the last makes the editor lay out the whole document
    // again. Closing the block before each further edit and joining the next
    // one to it keeps each reported change local and the batch one undo step.
    if (FBatchEdits++ > 0) {
        FBatch->endEditBlock();
        FBatch->joinPreviousEditBlock();
    }
    return *FBatch;
}

void TRichEditStrings::Insert(int index, const QString& s) {
    const int count = Count();
    if (index < 0 || index > count)
        return;
    QTextCursor c = Cursor();
    const QTextBlock block = FEdit.document()->findBlockByNumber(index);
    if (index < count || FEdit.document()->lastBlock().length() <= 1) {
        // The line at index (or the uncounted empty last line) moves down.
        c.setPosition(block.position());
        c.insertText(s + u'\n');
    } else {
        c.movePosition(QTextCursor::End);
        c.insertText(u'\n' + s);
    }
}

void TRichEditStrings::Clear() {
    FEdit.clear();
}

QString TRichEditStrings::Text() const {
    return ToLf(FEdit.document()->toRawText());
}

void TRichEditStrings::SetText(const QString& text) {
    FEdit.setPlainText(text);
}

void TRichEditStrings::BeginUpdate() {
    if (FUpdateCount++ == 0) {
        FBatch.emplace(FEdit.document());
        FBatch->beginEditBlock();
        FBatchEdits = 0;
    }
}

void TRichEditStrings::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    FBatch->endEditBlock();
    FBatch.reset();
}

void TRichEditStrings::LoadFromFile(const QString& path, qsizetype maxChars) {
    SetText(ReadTextFile(path, maxChars));
}

void TRichEditStrings::SaveToFile(const QString& path) const {
    WriteTextFile(path, Text());
}

TRichEdit::TRichEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setTabChangesFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FFont.OnChange = [this] { ApplyColors(); };
    ApplyColors();
}

bool TRichEdit::Modified() const {
    return document()->isModified();
}

void TRichEdit::SetModified(bool modified) {
    document()->setModified(modified);
}

void TRichEdit::SetColor(TColor color) {
    if (color == FColor)
        return;
    FColor = color;
    ApplyColors();
}

void TRichEdit::SetFont(const TFont& font) {
    FFont.Assign(font);
}

void TRichEdit::ApplyColors() {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(FColor));
    pal.setColor(QPalette::Text, ToQColor(FFont.Color()));
    setPalette(pal);
    setFont(FFont.ToQFont());
}

void TRichEdit::Undo() {
    if (internalWinId() != 0 || isVisible())
        undo();
}

int TRichEdit::Room() const {
    if (FMaxLength <= 0)
        return INT32_MAX;
    const int length = document()->characterCount() - 1;
    const QTextCursor c = textCursor();
    const int selected = c.selectionEnd() - c.selectionStart();
    return std::max(0, FMaxLength - length + selected);
}

void TRichEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool inserts =
        !text.isEmpty() && (text.at(0).isPrint() || text == u"\t" || text == u"\r");
    if (inserts && Room() < text.size()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TRichEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    const QString text = NormalizeLineBreaks(source->text());
    insertPlainText(text.left(Room()));
}
