#include "LongLinePainter.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace {

// Characters taken beyond each side of the view, for glyphs that reach over
// their neighbours.
constexpr int kOverhang = 4;

// Lines of this many kept at most; the view seldom shows more long ones.
constexpr qsizetype kMaxLines = 16;

} // namespace

TLongLinePainter::TLine& TLongLinePainter::LineFor(const QTextBlock& block, const QPointF& at,
                                                   int viewWidth) {
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineAt(0);
    const int revision = block.document()->revision();
    const auto found = FLines.find(layout);
    if (found != FLines.end() && found->Revision == revision && found->ScrollX == at.x() &&
        found->ViewWidth == viewWidth && found->Width == line.naturalTextWidth())
        return *found;
    if (found == FLines.end() && FLines.size() >= kMaxLines)
        FLines.clear();
    TLine& kept = FLines[layout];
    kept = TLine();
    kept.Revision = revision;
    kept.ScrollX = at.x();
    kept.ViewWidth = viewWidth;
    kept.Width = line.naturalTextWidth();
    const int length = block.length() - 1;
    kept.From = std::max(0, line.xToCursor(-at.x()) - kOverhang);
    kept.To = std::min(length, line.xToCursor(viewWidth - at.x()) + kOverhang);
    kept.Runs = layout->glyphRuns(kept.From, kept.To - kept.From);
    return kept;
}

const TLongLinePainter::TSelection&
TLongLinePainter::SelectionFor(TLine& line, const QTextLayout& layout, int start, int end) {
    for (const TSelection& s : line.Selections)
        if (s.Start == start && s.End == end)
            return s;
    const QTextLine l = layout.lineAt(0);
    const qreal left = l.cursorToX(start);
    const QRect rect = QRectF(left, l.y(), l.cursorToX(end) - left, l.height()).toAlignedRect();
    line.Selections.append({start, end, rect, layout.glyphRuns(start, end - start)});
    return line.Selections.constLast();
}

const QPicture& TLongLinePainter::CaretFor(TLine& line, const QTextLayout& layout, int caret,
                                           int width) {
    if (line.Caret != caret || line.CaretWidth != width) {
        // The caret's height follows the script at its place; Qt's own
        // drawing, recorded once, gives it exactly.
        line.CaretPicture = QPicture();
        QPainter recorder(&line.CaretPicture);
        layout.drawCursor(&recorder, -layout.position(), caret, width);
        recorder.end();
        line.Caret = caret;
        line.CaretWidth = width;
    }
    return line.CaretPicture;
}

void TLongLinePainter::Paint(QPainter& painter, const QTextBlock& block, const QPointF& at,
                             const QRect& area, int viewWidth,
                             const QAbstractTextDocumentLayout::PaintContext& context,
                             int cursorWidth) {
    const QTextLayout& layout = *block.layout();
    TLine& line = LineFor(block, at, viewWidth);
    painter.save();
    painter.setClipRect(area);
    painter.setPen(context.palette.text().color());
    for (const QGlyphRun& run : std::as_const(line.Runs))
        painter.drawGlyphRun(at, run);

    // A selection: its background, then its part of the text again in the
    // selection's colour.
    for (const QAbstractTextDocumentLayout::Selection& selection : context.selections) {
        const int start = std::max(line.From, selection.cursor.selectionStart() - block.position());
        const int end = std::min(line.To, selection.cursor.selectionEnd() - block.position());
        if (start >= end)
            continue;
        const TSelection& s = SelectionFor(line, layout, start, end);
        const QRect rect = s.Rect.translated(at.toPoint());
        painter.save();
        painter.setClipRect(rect & area);
        painter.fillRect(rect, selection.format.background());
        painter.setPen(selection.format.foreground().color());
        for (const QGlyphRun& run : s.Runs)
            painter.drawGlyphRun(at, run);
        painter.restore();
    }

    const int caret = context.cursorPosition - block.position();
    if (context.cursorPosition >= 0 && caret >= 0 && caret < block.length())
        painter.drawPicture(at, CaretFor(line, layout, caret, cursorWidth));
    painter.restore();
}
