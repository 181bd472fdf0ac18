#include "ShineSpdBtn.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>

// Painting: face, then content (picture and caption), then frame, composed
// off-screen; and the layout that places picture and caption.

namespace {

// One band of a gradient: (c2 - c1) * i div n + c1 per channel, truncating
// toward zero, so the last band stops just short of c2.
QRgb GradientBand(QRgb c1, QRgb c2, int i, int n) {
    auto mix = [&](int a, int b) { return (b - a) * i / n + a; };
    return qRgb(mix(qRed(c1), qRed(c2)), mix(qGreen(c1), qGreen(c2)), mix(qBlue(c1), qBlue(c2)));
}

// A platform pen line along one axis: covers a, stops one pixel short of b.
void PenLine(QPainter& canvas, const QColor& color, QPoint a, QPoint b) {
    QRect r;
    if (a.y() == b.y() && a.x() != b.x())
        r = a.x() < b.x() ? QRect(a.x(), a.y(), b.x() - a.x(), 1)
                          : QRect(b.x() + 1, a.y(), a.x() - b.x(), 1);
    else if (a.x() == b.x() && a.y() != b.y())
        r = a.y() < b.y() ? QRect(a.x(), a.y(), 1, b.y() - a.y())
                          : QRect(a.x(), b.y() + 1, 1, a.y() - b.y());
    else
        return;
    canvas.fillRect(r, color);
}

// The two lines leaving corner towards far's column and row.
void Corner(QPainter& canvas, TColor color, QPoint corner, QPoint far) {
    const QColor c = ToQColor(color);
    PenLine(canvas, c, corner, QPoint(far.x(), corner.y()));
    PenLine(canvas, c, corner, QPoint(corner.x(), far.y()));
}

// Integer halving toward zero, also for content wider than the button.
int Half(int v) {
    return v / 2;
}

} // namespace

// ---------------------------------------------------------------------------
// Painting: reads the state, never changes it

void TShineSpeedButton::paintEvent(QPaintEvent*) {
    Paint();
}

void TShineSpeedButton::Paint() {
    if (width() <= 0 || height() <= 0)
        return;
    auto drawAll = [this](QPainter& canvas) {
        DrawFace(canvas);
        DrawContent(canvas);
        DrawFrame(canvas);
    };
    QPainter screen(this);
    if (FTransparent) {
        drawAll(screen);
        return;
    }
    // Composed off-screen and copied in one operation.
    QImage buffer(width(), height(), QImage::Format_RGB32);
    {
        QPainter canvas(&buffer);
        drawAll(canvas);
    }
    screen.drawImage(0, 0, buffer);
}

void TShineSpeedButton::DrawFace(QPainter& canvas) {
    const int w = width(), h = height();
    if (FTransparent || w == 0 || h == 0)
        return;
    const TShineBtnColors* set = StateColors();
    if (!set->Gradation()) {
        canvas.fillRect(rect(), ToQColor(set->Color()));
        return;
    }
    const QRgb c1 = ColorToDibRGB(set->Color());
    const QRgb c2 = ColorToDibRGB(set->GradColor());
    QImage face(w, h, QImage::Format_RGB32);
    if (set->GradVertical()) {
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(face.scanLine(y));
            std::fill(row, row + w, GradientBand(c1, c2, y, h));
        }
    } else {
        auto* first = reinterpret_cast<QRgb*>(face.scanLine(0));
        for (int x = 0; x < w; ++x)
            first[x] = GradientBand(c1, c2, x, w);
        for (int y = 1; y < h; ++y)
            std::memcpy(face.scanLine(y), first, size_t(w) * sizeof(QRgb));
    }
    canvas.drawImage(0, 0, face);
}

int TShineSpeedButton::CaptionFlags() const {
    // The caption rectangle is exactly as high as the measured text, so the
    // text starts at its top (line breaks start new lines).
    int flags = Qt::AlignTop;
    switch (FAlignment) {
    case taLeftJustify:
        flags |= Qt::AlignLeft;
        break;
    case taRightJustify:
        flags |= Qt::AlignRight;
        break;
    case taCenter:
        flags |= Qt::AlignHCenter;
        break;
    }
    if (FShowAccelChar)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

void TShineSpeedButton::DrawCaption(QPainter& canvas, QRect r, TColor color, int flags) {
    canvas.setPen(ToQColor(color));
    canvas.drawText(r, flags, FCaption);
}

// The picture for the state, kept between paints until one of its inputs
// changes. A colour picture has its transparent pixels cleared once.
const QImage& TShineSpeedButton::CachedStateImage() const {
    const TStateImageKey key = StateImageKey();
    if (FStateImage && FStateImage->Key == key)
        return FStateImage->Picture;
    const TStateImage image = CreateStateImage();
    QImage picture = image.Bitmap;
    if (!picture.isNull() && picture.depth() != 1) {
        picture = picture.convertToFormat(QImage::Format_ARGB32);
        const QRgb transparent = image.TransparentColor & RGB_MASK;
        for (int y = 0; y < picture.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                if ((row[x] & RGB_MASK) == transparent)
                    row[x] = 0;
        }
    }
    FStateImage = TStateImageCache{key, std::move(picture)};
    return FStateImage->Picture;
}

// The disabled default look is the edge mask, drawn twice: where a mask
// pixel is white the canvas takes the pass's colour.
void TShineSpeedButton::DrawStateImage(QPainter& canvas, const QImage& picture, QPoint at) {
    if (picture.depth() == 1) {
        for (const auto& [colour, offset] :
             {std::pair{FDisabledHighlight, QPoint(1, 1)}, std::pair{FDisabledShadow, QPoint()}}) {
            QImage pass(picture);
            pass.setColorTable({qRgba(0, 0, 0, 0), ToQColor(colour).rgb()});
            canvas.drawImage(at + offset, pass);
        }
        return;
    }
    canvas.drawImage(at, picture);
}

void TShineSpeedButton::DrawContent(QPainter& canvas) {
    const TFont& font = StateFont();
    const QFont qfont = font.ToQFont();
    canvas.setFont(qfont);
    const QImage& picture = CachedStateImage();
    const TContentLayout layout = CalcLayout(qfont);
    const QPoint pressOffset = StatePressed() ? QPoint(1, 1) : QPoint(0, 0);
    if (!picture.isNull())
        DrawStateImage(canvas, picture, layout.ImagePos + pressOffset);
    if (FCaption.isEmpty())
        return;
    const int flags = CaptionFlags();
    const QRect tr = layout.TextRect.translated(pressOffset);
    if (FState == stDisabled) {
        DrawCaption(canvas, tr.translated(1, 1), FDisabledHighlight, flags);
        DrawCaption(canvas, tr, FDisabledShadow, flags);
        return;
    }
    if (FFontShadow != clNone)
        DrawCaption(canvas, tr.translated(1, 1), FFontShadow, flags);
    if (FFontHighlight != clNone)
        DrawCaption(canvas, tr.translated(-1, -1), FFontHighlight, flags);
    DrawCaption(canvas, tr, font.Color(), flags);
}

// ---------------------------------------------------------------------------
// Layout of image and caption

// The caption's size as drawn; "&" is taken as a marker only when the
// accelerator may press the button.
QRect TShineSpeedButton::MeasureCaption(const QFont& font) const {
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (FAccelCharDown)
        flags |= Qt::TextShowMnemonic;
    const QRect r = QFontMetrics(font).boundingRect(QRect(0, 0, width(), 0), flags, FCaption);
    return QRect(0, 0, r.width(), r.height());
}

// With AlMargin set the caption box reaches from the image side to AlMargin
// before the far edge (sideways layouts with a margin), or spans the button
// less AlMargin on each side (stacked layouts).
int TShineSpeedButton::TextBoxWidth(int measured) const {
    if (FAlMargin < 0)
        return measured;
    const bool hasImage = !FGlyph.isNull(), hasCaption = !FCaption.isEmpty();
    switch (FLayout) {
    case blGlyphLeft:
    case blGlyphRight:
        if (FMargin <= 0)
            return measured;
        return width() - (FMargin + (hasImage && hasCaption ? FGlyph.width() + FSpacing : 0)) -
               FAlMargin;
    case blGlyphTop:
    case blGlyphBottom:
        return width() - 2 * FAlMargin;
    }
    return measured;
}

// Image and caption one after the other along the layout's axis, each
// centred across it. Top is the one layout that keeps Spacing above a
// caption without an image.
TShineSpeedButton::TBlock TShineSpeedButton::StackBlock(QSize text) const {
    const bool hasImage = !FGlyph.isNull(), hasCaption = !FCaption.isEmpty();
    const QSize glyph = hasImage ? FGlyph.size() : QSize(0, 0);
    const bool vertical = FLayout == blGlyphTop || FLayout == blGlyphBottom;
    const bool imageFirst = FLayout == blGlyphLeft || FLayout == blGlyphTop;
    const bool spaced = hasCaption && (hasImage || FLayout == blGlyphTop);
    auto along = [vertical](QSize s) { return vertical ? s.height() : s.width(); };
    auto across = [vertical](QSize s) { return vertical ? s.width() : s.height(); };

    int extent = 0, thickness = 0, glyphAt = 0, textAt = 0;
    auto place = [&](QSize s, bool present, int& at) {
        at = extent;
        if (!present)
            return;
        extent += along(s);
        thickness = std::max(thickness, across(s));
    };
    if (imageFirst) {
        place(glyph, hasImage, glyphAt);
        extent += spaced ? FSpacing : 0;
        place(text, hasCaption, textAt);
    } else {
        place(text, hasCaption, textAt);
        extent += spaced ? FSpacing : 0;
        place(glyph, hasImage, glyphAt);
    }
    const int glyphAcross = hasImage ? Half(thickness - across(glyph)) : 0;
    const int textAcross = hasCaption ? Half(thickness - across(text)) : 0;
    auto point = [vertical](int a, int c) { return vertical ? QPoint(c, a) : QPoint(a, c); };
    return {vertical ? QSize(thickness, extent) : QSize(extent, thickness),
            point(glyphAt, glyphAcross), point(textAt, textAcross)};
}

// Centred without a margin; otherwise Margin from the image's edge.
QPoint TShineSpeedButton::BlockOffset(QSize block) const {
    const QPoint centred(Half(width() - block.width()), Half(height() - block.height()));
    if (FMargin < 0)
        return centred;
    switch (FLayout) {
    case blGlyphLeft:
        return {FMargin, centred.y()};
    case blGlyphRight:
        return {width() - block.width() - FMargin, centred.y()};
    case blGlyphTop:
        return {centred.x(), FMargin};
    case blGlyphBottom:
        return {centred.x(), height() - block.height() - FMargin};
    }
    return centred;
}

TShineSpeedButton::TContentLayout TShineSpeedButton::CalcLayout(const QFont& font) const {
    QRect tr = MeasureCaption(font);
    tr.setWidth(TextBoxWidth(tr.width()));
    const TBlock block = StackBlock(tr.size());
    const QPoint origin = BlockOffset(block.Size);
    return {origin + block.Glyph, tr.translated(origin + block.Text)};
}

void TShineSpeedButton::DrawFrame(QPainter& canvas) {
    if (!StateFrameDrawn())
        return;
    const int w = width(), h = height();
    const TShineBtnColors* set = StateColors();
    const bool sunken = StatePressed();
    const QPoint topLeft(0, 0), bottomRight(w - 1, h - 1);
    switch (FFrameType) {
    case ftFlatFrame:
        Corner(canvas, sunken ? set->Shadow() : set->Highlight(), topLeft, bottomRight);
        Corner(canvas, sunken ? set->Highlight() : set->Shadow(), bottomRight, topLeft);
        break;
    case ftNormalFrame:
        if (sunken) {
            Corner(canvas, set->Shadow(), QPoint(1, 1), bottomRight);
            Corner(canvas, set->DarkShadow(), topLeft, bottomRight);
            Corner(canvas, set->Highlight(), bottomRight, topLeft);
        } else {
            Corner(canvas, set->Shadow(), QPoint(w - 2, h - 2), topLeft);
            Corner(canvas, set->DarkShadow(), bottomRight, topLeft);
            Corner(canvas, set->Highlight(), topLeft, bottomRight);
        }
        break;
    case ftEnclosedFrame: {
        const QPoint inTopLeft(1, 1), inBottomRight(w - 2, h - 2);
        Corner(canvas, sunken ? set->Shadow() : set->Highlight(), inTopLeft, inBottomRight);
        Corner(canvas, sunken ? set->Highlight() : set->Shadow(), inBottomRight, inTopLeft);
        const TShineBtnColors* outer =
            FActiveColorsEnabled && StateActive() ? FActiveColors : FColors;
        const QColor c = ToQColor(outer->DarkShadow());
        const QPoint path[] = {topLeft, QPoint(0, h - 1), bottomRight, QPoint(w - 1, 0), topLeft};
        for (int i = 0; i + 1 < int(std::size(path)); ++i)
            PenLine(canvas, c, path[i], path[i + 1]);
        break;
    }
    }
}
