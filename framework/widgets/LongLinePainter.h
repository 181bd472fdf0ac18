// Paints the visible part of a line of many thousand characters. Qt draws
// every glyph of a line to paint any part of it, and each place it looks up
// on the line (the caret's, a selection's ends) costs a pass over all of it:
// with a line of megabytes each paint, the caret's blink included, took half
// a second. What such a pass yields is kept while the line, its place in the
// view and the view's width stay, so a blink repaints without any.
#pragma once

#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPicture>
#include <QRect>

class QPainter;
class QTextBlock;
class QTextLayout;

class TLongLinePainter {
public:
    // Paints block, whose layout is at "at" in the painter's coordinates,
    // into area: its glyphs that fall there, the context's selections and the
    // caret when the context shows it in this block. viewWidth is the width
    // the line is visible over.
    void Paint(QPainter& painter, const QTextBlock& block, const QPointF& at, const QRect& area,
               int viewWidth, const QAbstractTextDocumentLayout::PaintContext& context,
               int cursorWidth);

private:
    // Positions are relative to the layout's place.
    struct TSelection {
        int Start, End;
        QRect Rect;
        QList<QGlyphRun> Runs;
    };
    struct TLine {
        int Revision = -1;
        qreal ScrollX = 0;
        int ViewWidth = 0;
        qreal Width = 0;
        QList<QGlyphRun> Runs; // of the part in view
        int From = 0, To = 0;
        QList<TSelection> Selections;
        int Caret = -1;
        int CaretWidth = 0;
        QPicture CaretPicture;
    };

    TLine& LineFor(const QTextBlock& block, const QPointF& at, int viewWidth);
    const TSelection& SelectionFor(TLine& line, const QTextLayout& layout, int start, int end);
    const QPicture& CaretFor(TLine& line, const QTextLayout& layout, int caret, int width);

    QHash<const QTextLayout*, TLine> FLines;
};
