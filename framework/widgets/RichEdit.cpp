#include "RichEdit.h"

#include "LongLinePainter.h"

#include "SysUtils.h"
#include "TextFile.h"

#include <QAbstractUndoItem>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// QTextDocument separates blocks with U+2029 and may hold U+2028 inside one.
QString ToLf(QString raw) {
    raw.replace(QChar::ParagraphSeparator, u'\n');
    raw.replace(QChar::LineSeparator, u'\n');
    return raw;
}

} // namespace

namespace {

[[noreturn]] void RaiseIndexError(int index) {
    throw Exception(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
}

} // namespace

int TRichEditStrings::Count() const {
    const QTextDocument* doc = FEdit.document();
    const int blocks = doc->blockCount();
    return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

QString TRichEditStrings::Strings(int index) const {
    if (index < 0 || index >= Count())
        RaiseIndexError(index);
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
    if (index < count) {
        // The line at index moves down.
        c.setPosition(block.position());
        c.insertText(s + u'\n');
    } else if (FEdit.document()->lastBlock().length() <= 1) {
        // The uncounted empty last line after a final line break takes the
        // new line, so no empty line follows it.
        c.setPosition(block.position());
        c.insertText(s);
    } else {
        c.movePosition(QTextCursor::End);
        c.insertText(u'\n' + s);
    }
}

void TRichEditStrings::Put(int index, const QString& s) {
    if (index < 0 || index >= Count())
        RaiseIndexError(index);
    QTextCursor c = Cursor();
    const QTextBlock block = FEdit.document()->findBlockByNumber(index);
    c.setPosition(block.position());
    c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    c.insertText(s);
}

void TRichEditStrings::Clear() {
    FEdit.clear();
}

QString TRichEditStrings::Text() const {
    return ToLf(FEdit.document()->toRawText());
}

QString TRichEditStrings::TextHead(qsizetype minChars) const {
    const QTextDocument* doc = FEdit.document();
    QString head;
    for (QTextBlock block = doc->begin(); block.isValid() && head.size() <= minChars;
         block = block.next()) {
        if (block != doc->begin())
            head += u'\n';
        head += block.text();
    }
    return ToLf(std::move(head));
}

namespace {

// Qt lays a line out as one piece and, unless its block's layout keeps the
// glyphs, shapes all of it again each time it needs a place on the line (the
// caret, every paint): a line of megabytes took several shapings, seconds
// each, to load and again at each blink of the caret. Blocks that hold a long
// line keep their glyphs, so the line is shaped once per change.

bool HasLongLine(QStringView text) {
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0)
            end = text.size();
        if (end - from >= kLongLine)
            return true;
        from = end + 1;
    }
    return false;
}

// Inserts text at the cursor, each long line into a block that keeps its
// glyphs; runs of short lines go in at once.
void InsertKeepingLongLines(QTextCursor& c, const QString& text) {
    qsizetype run = 0;
    for (qsizetype from = 0; from <= text.size();) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0)
            end = text.size();
        if (end - from >= kLongLine) {
            c.insertText(text.mid(run, from - run)); // ends in a line break or is empty
            c.block().layout()->setCacheEnabled(true);
            c.insertText(text.mid(from, end - from));
            run = end;
        }
        from = end + 1;
    }
    c.insertText(text.mid(run));
}

} // namespace

void TRichEditStrings::SetText(const QString& text) {
    if (!HasLongLine(text)) {
        FEdit.setPlainText(text);
        return;
    }
    // What setPlainText does, with the long lines' blocks prepared first.
    QTextDocument* doc = FEdit.document();
    FEdit.clear();
    doc->setUndoRedoEnabled(false);
    QTextCursor c(doc);
    c.beginEditBlock();
    InsertKeepingLongLines(c, text);
    c.endEditBlock();
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    FEdit.moveCursor(QTextCursor::Start);
}

namespace {

// The undo step of a replacement. It holds the text it replaced, not the
// document's own record of it: Qt's undo would keep the old text's blocks,
// and with them several times its size, beside the new text. Undoing puts
// that text back and keeps the one it takes away for redoing; the modified
// flag follows, the replaced text's when undone and unmodified when redone.
class TReplacementStep : public QAbstractUndoItem {
public:
    TReplacementStep(TRichEdit& edit, std::optional<bool>& pending, QString replaced,
                     bool replacedModified)
        : FEdit(edit), FPending(pending), FOther(std::move(replaced)),
          FReplacedModified(replacedModified) {}
    void undo() override { Swap(FReplacedModified); }
    void redo() override { Swap(false); }

private:
    // Runs inside the document's undo, which records nothing meanwhile.
    void Swap(bool modified) {
        QString current = FEdit.Lines().Text();
        QTextCursor c(FEdit.document());
        c.select(QTextCursor::Document);
        c.removeSelectedText();
        InsertKeepingLongLines(c, FOther);
        FOther = std::move(current);
        FPending = modified;
    }

    TRichEdit& FEdit;
    std::optional<bool>& FPending;
    QString FOther;
    bool FReplacedModified;
};

} // namespace

void TRichEditStrings::ReplaceText(const QString& text) {
    QTextDocument* doc = FEdit.document();
    const bool wasModified = doc->isModified();
    QString replaced = Text();
    SetText(text); // the old document and its undo steps go
    doc->appendUndoItem(
        new TReplacementStep(FEdit, FEdit.FPendingModified, std::move(replaced), wasModified));
    doc->setModified(false);
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

namespace {

// Putting this many characters into the editor (one long line above all) or
// writing them out can take half a second or more; reading and decoding them
// does not.
constexpr qsizetype kBusyChars = 256 * 1024;

// Shows the busy cursor while a long load or save runs.
class TBusyCursor {
public:
    explicit TBusyCursor(qsizetype chars) : FShown(chars >= kBusyChars && qApp) {
        if (FShown)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    ~TBusyCursor() {
        if (FShown)
            QApplication::restoreOverrideCursor();
    }

private:
    bool FShown;
};

} // namespace

TTextFormat TRichEditStrings::LoadFromFile(const QString& path, qsizetype maxChars,
                                           std::optional<TTextEncoding> as) {
    const TDecodedText text = ReadTextFileDecoded(path, maxChars, as);
    const TBusyCursor busy(text.Text.size());
    ReplaceText(text.Text);
    return text.Format;
}

bool TRichEditStrings::SaveToFile(const QString& path, const TConfirmReferences& confirm) const {
    const QTextDocument* doc = FEdit.document();
    std::optional<TBusyCursor> busy(std::in_place, doc->characterCount());
    const TEncodedPage page = EncodePage(doc->toRawText());
    if (const TUnencodable& found = page.Unencodable; found.Count > 0) {
        busy.reset(); // not over the question
        if (!confirm)
            throw EEncodingError(found.First, found.FirstLine);
        if (!confirm(found))
            return false;
        busy.emplace(doc->characterCount());
    }
    WriteFileBytes(path, page.Bytes);
    return true;
}

void TRichEditStrings::SaveToFileAsUtf8(const QString& path) const {
    const QTextDocument* doc = FEdit.document();
    const TBusyCursor busy(doc->characterCount());
    WriteFileBytes(path, EncodeUtf8Page(doc->toRawText()));
}

TRichEdit::TRichEdit(QWidget* parent)
    : QPlainTextEdit(parent), FLongLines(std::make_unique<TLongLinePainter>()) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setTabChangesFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FFont.OnChange = [this] { ApplyColors(); };
    ApplyColors();
    // The document settles its own flag at the end of an undo step, after
    // the step's items ran.
    connect(document(), &QTextDocument::contentsChanged, this,
            &TRichEdit::RestoreModifiedAfterUndo);
}

TRichEdit::~TRichEdit() = default;

void TRichEdit::RestoreModifiedAfterUndo() {
    if (!FPendingModified)
        return;
    const bool modified = *FPendingModified;
    FPendingModified.reset();
    if (document()->isModified() != modified)
        document()->setModified(modified);
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

namespace {

bool IsLongLine(const QTextBlock& block) {
    return block.length() > kLongLine && block.layout()->lineCount() == 1 &&
           block.layout()->preeditAreaText().isEmpty() &&
           block.blockFormat().background() == Qt::NoBrush;
}

} // namespace

// QPlainTextEdit's own painting, block by block, except that a long line is
// drawn by the long-line painter: Qt draws a block whenever the painted area
// touches it, even by its last row, and drawing a long line costs a pass over
// all of it.
void TRichEdit::paintEvent(QPaintEvent* event) {
    if (!FPaintsLongLines) {
        QPlainTextEdit::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    QPointF offset = contentOffset();
    QRect area = event->rect();
    const QRect view = viewport()->rect();
    const qreal widest = document()->documentLayout()->documentSize().width();
    painter.setBrushOrigin(offset);
    // The right margin stays clear of a full-width selection.
    area.setRight(std::min(area.right(), int(offset.x() + std::max(qreal(view.width()), widest) -
                                             document()->documentMargin() + cursorWidth())));
    painter.setClipRect(area);
    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    painter.setPen(context.palette.text().color());
    const bool showsCaret =
        !isReadOnly() || (textInteractionFlags() & Qt::TextSelectableByKeyboard);

    QTextBlock block = firstVisibleBlock();
    for (; block.isValid(); block = block.next()) {
        const QRectF bounds = blockBoundingRect(block).translated(offset);
        if (block.isVisible() && bounds.bottom() >= area.top() && bounds.top() <= area.bottom()) {
            if (IsLongLine(block))
                FLongLines->Paint(painter, block, offset + block.layout()->position(), area,
                                  view.width(), context, cursorWidth());
            else
                PaintBlock(painter, block, bounds, offset, area, context, showsCaret, widest);
        }
        offset.ry() += bounds.height();
        if (offset.y() > view.height())
            break;
    }
    if (backgroundVisible() && !block.isValid() && offset.y() <= area.bottom() &&
        (centerOnScroll() || verticalScrollBar()->maximum() == verticalScrollBar()->minimum()))
        painter.fillRect(QRect(QPoint(area.left(), int(offset.y())), area.bottomRight()),
                         palette().window());
}

void TRichEdit::PaintBlock(QPainter& painter, const QTextBlock& block, const QRectF& bounds,
                           const QPointF& offset, const QRect& area,
                           const QAbstractTextDocumentLayout::PaintContext& context,
                           bool showsCaret, qreal widest) {
    QTextLayout* layout = block.layout();
    if (const QBrush background = block.blockFormat().background(); background != Qt::NoBrush) {
        QRectF rect = bounds;
        rect.setWidth(std::max(bounds.width(), widest));
        painter.fillRect(rect, background);
    }
    const int start = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const QAbstractTextDocumentLayout::Selection& range : context.selections) {
        const int from = range.cursor.selectionStart() - start;
        const int to = range.cursor.selectionEnd() - start;
        if (from < length && to > 0 && to > from) {
            selections.append({from, to - from, range.format});
        } else if (!range.cursor.hasSelection() &&
                   range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                   block.contains(range.cursor.position())) {
            // A full-width selection needs only a position to name its line.
            const QTextLine line = layout->lineForTextPosition(range.cursor.position() - start);
            QTextLayout::FormatRange o{line.textStart(), line.textLength(), range.format};
            if (o.start + o.length == length - 1)
                ++o.length; // the line break too
            selections.append(o);
        }
    }
    const bool caretHere =
        showsCaret && context.cursorPosition >= start && context.cursorPosition < start + length;
    bool caretAsBlock = caretHere && overwriteMode();
    if (caretAsBlock) {
        if (context.cursorPosition == start + length - 1) {
            caretAsBlock = false;
        } else {
            QTextLayout::FormatRange o{context.cursorPosition - start, 1, {}};
            o.format.setForeground(palette().base());
            o.format.setBackground(palette().text());
            selections.append(o);
        }
    }
    layout->draw(&painter, offset, selections, area);
    const bool preedit =
        !isReadOnly() && context.cursorPosition < -1 && !layout->preeditAreaText().isEmpty();
    if ((caretHere && !caretAsBlock) || preedit) {
        const int caret = context.cursorPosition < -1
                              ? layout->preeditAreaPosition() - (context.cursorPosition + 2)
                              : context.cursorPosition - start;
        layout->drawCursor(&painter, offset, caret, cursorWidth());
    }
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
