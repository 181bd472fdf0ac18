#include "ShineSpdBtn.h"

#include "ActnList.h"
#include "Buttons.h"
#include "ImgList.h"
#include "SysUtils.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kHoverInterval = 200;

std::uint32_t Channel(std::uint32_t rgb, int shift) {
    return (rgb >> shift) & 0xFF;
}

// One band of a gradient: (c2 - c1) * i div n + c1 per channel, truncating
// toward zero, so the last band stops just short of c2.
QRgb GradientBand(std::uint32_t c1, std::uint32_t c2, int i, int n) {
    auto mix = [&](int shift) {
        const int a = int(Channel(c1, shift));
        const int b = int(Channel(c2, shift));
        return (b - a) * i / n + a;
    };
    return qRgb(mix(16), mix(8), mix(0));
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

TShiftState GetShiftState() {
    TShiftState s = 0;
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    const Qt::MouseButtons b = QGuiApplication::mouseButtons();
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    if (b & Qt::LeftButton)
        s |= ssLeft;
    if (b & Qt::RightButton)
        s |= ssRight;
    if (b & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

int Half(int v) {
    return v / 2;
}

} // namespace

namespace {

struct TPropertyDefault {
    const char* Name;
    QVariant Value;
};

// A property is written unless it has a declared default and holds it.
bool IsStoredValue(const QObject* object, const char* property,
                   std::initializer_list<TPropertyDefault> defaults) {
    const QVariant value = object->property(property);
    for (const TPropertyDefault& d : defaults)
        if (std::strcmp(d.Name, property) == 0)
            return value.toLongLong() != d.Value.toLongLong();
    return value.isValid();
}

} // namespace

std::uint32_t ColorToDibRGB(TColor color) {
    const auto rgb = std::uint32_t(ColorToRGB(color));
    return (Channel(rgb, 0) << 16) | (Channel(rgb, 8) << 8) | Channel(rgb, 16);
}

// ---------------------------------------------------------------------------
// TShineBtnColors

TShineBtnColors::TShineBtnColors(QObject* owner) : QObject(owner) {}

TShineBtnColors::~TShineBtnColors() {
    OnChange = nullptr;
}

template <typename T> void TShineBtnColors::Store(T& field, T value) {
    if (field == value)
        return;
    field = value;
    Changed();
}

void TShineBtnColors::Changed() {
    if (OnChange)
        OnChange(this);
}

void TShineBtnColors::SetColor(TColor v) {
    Store(FColor, v);
}
void TShineBtnColors::SetHighlight(TColor v) {
    Store(FHighlight, v);
}
void TShineBtnColors::SetShadow(TColor v) {
    Store(FShadow, v);
}
void TShineBtnColors::SetDarkShadow(TColor v) {
    Store(FDarkShadow, v);
}
void TShineBtnColors::SetGradColor(TColor v) {
    Store(FGradColor, v);
}
void TShineBtnColors::SetGradVertical(bool v) {
    Store(FGradVertical, v);
}
void TShineBtnColors::SetGradation(bool v) {
    Store(FGradation, v);
}

bool TShineBtnColors::IsStored(const char* property) const {
    return IsStoredValue(this, property,
                         {{"Highlight", clBtnHighlight},
                          {"Shadow", clBtnShadow},
                          {"DarkShadow", clWindowFrame},
                          {"GradColor", clBlue},
                          {"GradVertical", false},
                          {"Gradation", false}});
}

void TShineBtnColors::CopyFrom(const TShineBtnColors& s) {
    FColor = s.FColor;
    FHighlight = s.FHighlight;
    FShadow = s.FShadow;
    FDarkShadow = s.FDarkShadow;
    FGradColor = s.FGradColor;
    FGradVertical = s.FGradVertical;
    FGradation = s.FGradation;
}

static EConvertError AssignError(const QObject* source, const QObject* dest) {
    auto name = [](const QObject* o) {
        return o ? QString::fromLatin1(o->metaObject()->className()) : QStringLiteral("nil");
    };
    return EConvertError(
        QStringLiteral("%1 を %2 に代入することはできません").arg(name(source), name(dest)));
}

void TShineBtnColors::Assign(const QObject* source) {
    const auto* s = qobject_cast<const TShineBtnColors*>(source);
    if (!s)
        throw AssignError(source, this);
    CopyFrom(*s);
    Changed();
}

void TShineBtnColors::AssignTo(QObject* dest) const {
    auto* d = qobject_cast<TShineBtnColors*>(dest);
    if (!d)
        throw AssignError(this, dest);
    d->CopyFrom(*this);
    d->Changed();
}

// ---------------------------------------------------------------------------
// TShineSpeedButton: construction and properties

TShineSpeedButton::TShineSpeedButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // moves without a button re-check the hot look
    auto partChanged = [this](QObject*) { PartChanged(); };
    FActiveColors = new TShineBtnColors(this);
    FActiveColors->SetColor(clHighlightText);
    FActiveColors->OnChange = partChanged;
    FColors = new TShineBtnColors(this);
    FColors->SetColor(clBtnFace);
    FColors->OnChange = partChanged;
    FPressedColors = new TShineBtnColors(this);
    FPressedColors->SetColor(clBtnHighlight);
    FPressedColors->OnChange = partChanged;
    FFont.SetColor(clBtnText);
    FFont.OnChange = [this] { PartChanged(); };
    FActiveFont.SetColor(clHighlight);
    FActiveFont.OnChange = [this] { PartChanged(); };
    FHoverTimer = new QTimer(this);
    FHoverTimer->setInterval(kHoverInterval);
    connect(FHoverTimer, &QTimer::timeout, this, [this] { HoverTimerTick(); });
    resize(25, 25);
}

TShineSpeedButton::~TShineSpeedButton() {
    FHoverTimer->stop();
    delete FHoverTimer;
    FGlyph = QImage();
    for (TShineBtnColors* c : {FColors, FPressedColors, FActiveColors})
        delete c;
    FFont.OnChange = nullptr;
    FActiveFont.OnChange = nullptr;
}

bool TShineSpeedButton::IsStored(const char* property) const {
    if (std::strcmp(property, "Glyph") == 0)
        return !FGlyph.isNull();
    return IsStoredValue(this, property,
                         {{"GroupIndex", 0},
                          {"ShowAccelChar", true},
                          {"Alignment", int(taCenter)},
                          {"AlMargin", -1},
                          {"Down", false},
                          {"ActionCheckedDown", false},
                          {"ClickDownHook", false},
                          {"AccelCharDown", false},
                          {"FrameType", int(ftNormalFrame)},
                          {"Transparent", false},
                          {"ActiveFrame", true},
                          {"UpFrame", true},
                          {"DownFrame", true},
                          {"ActiveImage", int(aiFrameLight)},
                          {"UpImage", int(diDefault)},
                          {"DownImage", int(diDefault)},
                          {"DisabledImage", int(diDefault)},
                          {"DisabledHighlight", clBtnHighlight},
                          {"DisabledShadow", clBtnShadow},
                          {"ActiveColorsEnabled", false},
                          {"ShineColor", clYellow},
                          {"FontHighlight", clNone},
                          {"FontShadow", clNone},
                          {"AllowAllUp", false},
                          {"Layout", int(blGlyphLeft)},
                          {"Margin", -1},
                          {"Spacing", 4}});
}

void TShineSpeedButton::SetCaption(const QString& v) {
    if (v == FCaption)
        return;
    FCaption = v;
    UpdateAccelerator();
    Invalidate();
}

void TShineSpeedButton::SetHint(const QString& v) {
    setToolTip(v);
    setStatusTip(v);
}

void TShineSpeedButton::SetTransparent(bool v) {
    if (v == FTransparent)
        return;
    FTransparent = v;
    setAttribute(Qt::WA_OpaquePaintEvent, !v);
    Invalidate();
}

void TShineSpeedButton::SetActiveColorsEnabled(bool v) {
    FActiveColorsEnabled = v;
    Invalidate();
}

void TShineSpeedButton::SetFontHighlight(TColor v) {
    FFontHighlight = v;
    Invalidate();
}

void TShineSpeedButton::SetFontShadow(TColor v) {
    FFontShadow = v;
    Invalidate();
}

void TShineSpeedButton::SetFont(const TFont* v) {
    if (!v)
        return;
    FFont.Assign(*v);
    Invalidate();
}

void TShineSpeedButton::SetActiveFont(const TFont* v) {
    if (!v)
        return;
    FActiveFont.Assign(*v);
    Invalidate();
}

void TShineSpeedButton::SetGlyph(const QImage* v) {
    if (v && !v->isNull()) {
        FGlyph = *v;
        GlyphChanged();
    } else {
        FGlyph = QImage();
    }
    Invalidate();
}

// A 1-bit Glyph stays 1-bit (most significant bit first); anything else
// becomes RGB32 so the effects can walk its rows directly.
void TShineSpeedButton::GlyphChanged() {
    if (FGlyph.isNull())
        return;
    if (FGlyph.depth() == 1)
        FGlyph = FGlyph.convertToFormat(QImage::Format_Mono);
    else if (FGlyph.format() != QImage::Format_RGB32)
        FGlyph = FGlyph.convertToFormat(QImage::Format_RGB32);
    Invalidate();
}

void TShineSpeedButton::SetState(TShineState s) {
    if (s == FState)
        return;
    FState = s;
    if (OnStateChange)
        OnStateChange(this);
}

// An opaque button is painted at once; a transparent one needs its parent
// drawn first, so it waits for the next paint.
void TShineSpeedButton::Repaint() {
    if (FTransparent)
        update();
    else
        repaint();
}

// ---------------------------------------------------------------------------
// Per-state choices

const TShineBtnColors* TShineSpeedButton::StateColors() const {
    switch (FState) {
    case stActiveDown:
        return FActiveColorsEnabled ? FActiveColors : FPressedColors;
    case stDown:
        return FPressedColors;
    case stActive:
        return FActiveColorsEnabled ? FActiveColors : FColors;
    default:
        return FColors;
    }
}

const TFont& TShineSpeedButton::StateFont() const {
    return StateActive() ? FActiveFont : FFont;
}

bool TShineSpeedButton::StateFrameDrawn() const {
    switch (FState) {
    case stActiveDown:
    case stActive:
        return FActiveFrame;
    case stDown:
        return FDownFrame;
    default:
        return FUpFrame;
    }
}

// ---------------------------------------------------------------------------
// Painting

void TShineSpeedButton::paintEvent(QPaintEvent*) {
    Paint();
}

void TShineSpeedButton::Paint() {
    if (!isEnabled()) {
        SetState(stDisabled);
        FTracking = false;
    }
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
    const std::uint32_t c1 = ColorToDibRGB(set->Color());
    const std::uint32_t c2 = ColorToDibRGB(set->GradColor());
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

// The disabled default look draws the edge mask twice, where a mask pixel
// is white the canvas takes the pass's colour; otherwise pixels of the
// transparent colour are left out.
void TShineSpeedButton::DrawStateImage(QPainter& canvas, const TStateImage& image, QPoint at) {
    if (FState == stDisabled && FDisabledImage == diDefault) {
        for (const auto& [colour, offset] :
             {std::pair{FDisabledHighlight, QPoint(1, 1)}, std::pair{FDisabledShadow, QPoint()}}) {
            QImage pass(image.Bitmap);
            pass.setColorTable({qRgba(0, 0, 0, 0), ToQColor(colour).rgb()});
            canvas.drawImage(at + offset, pass);
        }
        return;
    }
    QImage shown = image.Bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.TransparentColor & RGB_MASK;
    for (int y = 0; y < shown.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if ((row[x] & RGB_MASK) == key)
                row[x] = 0;
    }
    canvas.drawImage(at, shown);
}

void TShineSpeedButton::DrawContent(QPainter& canvas) {
    const TFont& font = StateFont();
    const QFont qfont = font.ToQFont();
    canvas.setFont(qfont);
    const TStateImage image = CreateStateImage();
    const TContentLayout layout = CalcLayout(qfont);
    const QPoint pressOffset = StatePressed() ? QPoint(1, 1) : QPoint(0, 0);
    if (!image.Bitmap.isNull())
        DrawStateImage(canvas, image, layout.ImagePos + pressOffset);
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

// ---------------------------------------------------------------------------
// Image effects. Pixels are 0x00RRGGBB in RGB32 rows (the top byte is not
// part of the colour); decisions read the source S, writes go to R.

namespace {

constexpr QRgb kOpaque = 0xFF000000u;

QRgb Rgb(int r, int g, int b) {
    return kOpaque | (QRgb(r) << 16) | (QRgb(g) << 8) | QRgb(b);
}

QRgb Dib(const QImage& img, int x, int y) {
    return reinterpret_cast<const QRgb*>(img.constScanLine(y))[x] & RGB_MASK;
}

// Applies f(r, g, b) per channel to every pixel of r that is not key in s.
template <typename F> void MapOpaque(const QImage& s, QImage& r, QRgb key, F f) {
    for (int y = 0; y < s.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(s.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(r.scanLine(y));
        for (int x = 0; x < s.width(); ++x)
            if ((src[x] & RGB_MASK) != key)
                dst[x] = f(int(qRed(src[x])), int(qGreen(src[x])), int(qBlue(src[x])));
    }
}

// The checkerboard count: one per pixel in reading order, and one more per
// row when the height is even.
bool OddCount(int x, int y, int w, int h) {
    const long long count = (long long)y * w + x + (h % 2 == 0 ? y : 0);
    return count % 2 != 0;
}

void MapOddOpaque(const QImage& s, QImage& r, QRgb key, QRgb value) {
    for (int y = 0; y < s.height(); ++y) {
        auto* dst = reinterpret_cast<QRgb*>(r.scanLine(y));
        for (int x = 0; x < s.width(); ++x)
            if (Dib(s, x, y) != key && OddCount(x, y, s.width(), s.height()))
                dst[x] = value;
    }
}

// One byte per pixel of a w by h picture, in reading order.
struct TPixelMask {
    int W, H;
    std::vector<unsigned char> Bits;
    bool At(int x, int y) const { return Bits[size_t(y) * size_t(W) + size_t(x)] != 0; }
    // Whether a 4-neighbour inside the picture has the given bit.
    bool NeighbourIs(int x, int y, bool bit) const {
        return (x > 0 && At(x - 1, y) == bit) || (x + 1 < W && At(x + 1, y) == bit) ||
               (y > 0 && At(x, y - 1) == bit) || (y + 1 < H && At(x, y + 1) == bit);
    }
};

TPixelMask KeyMask(const QImage& s, QRgb key) {
    TPixelMask m{s.width(), s.height(),
                 std::vector<unsigned char>(size_t(s.width()) * size_t(s.height()))};
    for (int y = 0; y < s.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(s.constScanLine(y));
        for (int x = 0; x < s.width(); ++x)
            m.Bits[size_t(y) * size_t(m.W) + size_t(x)] = (row[x] & RGB_MASK) == key;
    }
    return m;
}

// Lights the background pixels touching the picture (4-neighbours); thick
// also lights the background pixels touching those.
void LightOutline(const QImage& s, QImage& r, QRgb key, QRgb light, bool thick) {
    const TPixelMask keys = KeyMask(s, key);
    TPixelMask outline{keys.W, keys.H, std::vector<unsigned char>(keys.Bits.size())};
    for (int y = 0; y < keys.H; ++y)
        for (int x = 0; x < keys.W; ++x)
            outline.Bits[size_t(y) * size_t(keys.W) + size_t(x)] =
                keys.At(x, y) && keys.NeighbourIs(x, y, false);
    for (int y = 0; y < keys.H; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(r.scanLine(y));
        for (int x = 0; x < keys.W; ++x)
            if (outline.At(x, y) || (thick && keys.At(x, y) && outline.NeighbourIs(x, y, true)))
                dst[x] = light;
    }
}

// White where either diagonal pair of the 2 by 2 block at (x, y) differs;
// the last row and column stay black. White is bit 1.
QImage EdgeMask(const QImage& s) {
    const int w = s.width(), h = s.height();
    QImage mask(w, h, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    for (int y = 0; y + 1 < h; ++y) {
        for (int x = 0; x + 1 < w; ++x)
            if (Dib(s, x, y) != Dib(s, x + 1, y + 1))
                mask.setPixel(x, y, 1);
        for (int x = 1; x < w; ++x)
            if (Dib(s, x, y) != Dib(s, x - 1, y + 1))
                mask.setPixel(x - 1, y, 1);
    }
    return mask;
}

} // namespace

QImage TShineSpeedButton::MonoToColor(const QImage& bitmap) const {
    if (bitmap.isNull() || bitmap.depth() != 1)
        return {};
    const QImage mono = bitmap.convertToFormat(QImage::Format_Mono);
    const QRgb set = kOpaque | ColorToDibRGB(FControlColor);
    const QRgb clear = kOpaque | ColorToDibRGB(FFont.Color());
    QImage colored(mono.size(), QImage::Format_RGB32);
    for (int y = 0; y < mono.height(); ++y) {
        const uchar* bits = mono.constScanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(colored.scanLine(y));
        for (int x = 0; x < mono.width(); ++x)
            dst[x] = (bits[x >> 3] >> (7 - (x & 7))) & 1 ? set : clear;
    }
    return colored;
}

void TShineSpeedButton::ApplyActiveEffect(const QImage& s, QImage& r, QRgb key) const {
    const QRgb l = ColorToDibRGB(FShineColor);
    const int lr = int(qRed(l)), lg = int(qGreen(l)), lb = int(qBlue(l));
    switch (FActiveImage) {
    case aiNoLight:
        break;
    case aiXorLight:
        MapOpaque(s, r, key,
                  [&](int cr, int cg, int cb) { return Rgb(cr ^ lr, cg ^ lg, cb ^ lb); });
        break;
    case aiHalfLight:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return Rgb((cr + lr) / 2, (cg + lg) / 2, (cb + lb) / 2);
        });
        break;
    case aiQuaterLight:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return Rgb((cr + 3 * lr) / 4, (cg + 3 * lg) / 4, (cb + 3 * lb) / 4);
        });
        break;
    case aiAddLight:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return Rgb(std::min(cr + lr, 255), std::min(cg + lg, 255), std::min(cb + lb, 255));
        });
        break;
    case aiFrameLight:
    case aiFrameLight2:
        LightOutline(s, r, key, kOpaque | l, FActiveImage == aiFrameLight2);
        break;
    case aiMaskLight:
        MapOddOpaque(s, r, key, kOpaque | l);
        break;
    }
}

void TShineSpeedButton::ApplyDecoration(const QImage& s, QImage& r, QRgb key) const {
    const TDecorationImageType d = FState == stDown       ? FDownImage
                                   : FState == stDisabled ? FDisabledImage
                                                          : FUpImage;
    const QRgb f = ColorToDibRGB(FColors->Color());
    const int fr = int(qRed(f)), fg = int(qGreen(f)), fb = int(qBlue(f));
    switch (d) {
    case diDefault:
        if (FState == stDisabled)
            r = EdgeMask(s);
        break;
    case diGrayscale:
        MapOpaque(s, r, key, [](int cr, int cg, int cb) {
            const int v = (cr + cg + cb) / 3;
            return Rgb(v, v, v);
        });
        break;
    case diAlphaHalfTrans:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return Rgb((cr + fr) / 2, (cg + fg) / 2, (cb + fb) / 2);
        });
        break;
    case diAlphaQuaterTrans:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return Rgb((cr + 3 * fr) / 4, (cg + 3 * fg) / 4, (cb + 3 * fb) / 4);
        });
        break;
    case diMaskTrans:
        MapOddOpaque(s, r, key, kOpaque | key);
        break;
    }
}

// The key colour is the source's bottom-left pixel; the result's transparent
// colour is read after the effect, so a lit corner is drawn.
TStateImage TShineSpeedButton::CreateStateImage() const {
    if (FGlyph.isNull())
        return {};
    const QImage s = FGlyph.depth() == 1 ? MonoToColor(FGlyph) : FGlyph;
    const QRgb key = Dib(s, 0, s.height() - 1);
    QImage r = s.copy();
    if (StateActive())
        ApplyActiveEffect(s, r, key);
    else
        ApplyDecoration(s, r, key);
    if (FState == stDisabled && FDisabledImage == diDefault)
        return {r, 0};
    return {r, Dib(r, 0, r.height() - 1)};
}

// ---------------------------------------------------------------------------
// Mouse

namespace {
TShiftState ShiftOf(const QMouseEvent* e) {
    TShiftState s = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        s |= ssShift;
    if (e->modifiers() & Qt::ControlModifier)
        s |= ssCtrl;
    if (e->modifiers() & Qt::AltModifier)
        s |= ssAlt;
    if (e->buttons() & Qt::LeftButton)
        s |= ssLeft;
    if (e->buttons() & Qt::RightButton)
        s |= ssRight;
    if (e->buttons() & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}
} // namespace

bool TShineSpeedButton::event(QEvent* e) {
    if (e->type() == TButtonPressedEvent::EventType()) {
        GroupNotice(*static_cast<TButtonPressedEvent*>(e));
        return true;
    }
    if (e->type() == QEvent::Shortcut) {
        const auto* se = static_cast<QShortcutEvent*>(e);
        const QString keys = se->key().toString(QKeySequence::PortableText);
        if (se->shortcutId() == FAccelShortcut && !keys.isEmpty() && DialogChar(keys.back()))
            return true;
    }
    return QWidget::event(e);
}

void TShineSpeedButton::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), ShiftOf(e), p.x(), p.y());
}

// The second press of a double click is a press of its own; the double
// click is reported only while the button shows pressed.
void TShineSpeedButton::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), ShiftOf(e) | ssDouble, p.x(), p.y());
    if (e->button() == Qt::LeftButton && StatePressed() && OnDblClick)
        OnDblClick(this);
}

void TShineSpeedButton::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseMove(ShiftOf(e), p.x(), p.y());
}

void TShineSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseUp(e->button(), ShiftOf(e), p.x(), p.y());
}

void TShineSpeedButton::enterEvent(QEnterEvent*) {
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseEnter(GetShiftState(), p.x(), p.y());
}

void TShineSpeedButton::leaveEvent(QEvent*) {
    const QPoint p = mapFromGlobal(QCursor::pos());
    MouseLeave(GetShiftState(), p.x(), p.y());
}

void TShineSpeedButton::changeEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::EnabledChange:
        EnabledChanged();
        break;
    case QEvent::FontChange:
    case QEvent::PaletteChange:
        Invalidate();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

void TShineSpeedButton::MouseDown(Qt::MouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
    if (button != Qt::LeftButton || !isEnabled())
        return;
    const bool wasDown = FDown;
    SetState(stActiveDown);
    if (!wasDown)
        Invalidate();
    FTracking = true;
}

void TShineSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
    if (FTracking) {
        // The top row and left column count as outside while pressed.
        const bool inPressArea = x > 0 && x < width() && y > 0 && y < height();
        const TShineState s = inPressArea ? stActiveDown : (FDown ? stDown : stUp);
        if (s != FState) {
            SetState(s);
            Invalidate();
        }
    } else if (!FMouseInside) {
        UpdateTracking();
    }
}

// Any button's release ends the tracking; only a release inside clicks.
void TShineSpeedButton::MouseUp(Qt::MouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
    if (!FTracking)
        return;
    const bool inside = x >= 0 && x < width() && y >= 0 && y < height();
    if (FGroupIndex == 0) {
        SetState(stUp);
        FMouseInside = false;
        FDown = false;
        if (inside)
            Repaint();
    } else if (inside) {
        SetDown(!FDown);
        if (FDown)
            Repaint();
    } else {
        SetState(FDown ? stActiveDown : stActive);
        Repaint();
    }
    FTracking = false;
    if (inside) {
        // The click handler may destroy the button (closing its window).
        const QPointer<TShineSpeedButton> alive(this);
        Click();
        if (!alive)
            return;
    }
    UpdateTracking();
}

void TShineSpeedButton::Click() {
    auto run = [this] {
        auto* action = FAction.data();
        if (!(action && action->Execute()) && OnClick)
            OnClick(this);
    };
    if (!FClickDownHook) {
        run();
        return;
    }
    const TShineState saved = FState;
    SetState(stActiveDown);
    Repaint();
    // The previous look returns even when the handler throws.
    struct Restore {
        QPointer<TShineSpeedButton> Self;
        TShineState State;
        ~Restore() {
            if (!Self)
                return;
            Self->SetState(State);
            Self->Repaint();
        }
    } restore{this, saved};
    run();
}

void TShineSpeedButton::MouseEnter(TShiftState shift, int x, int y) {
    if (OnMouseEnter)
        OnMouseEnter(this, shift, x, y);
    if (FMouseInside || !isEnabled() || QWidget::mouseGrabber())
        return;
    FMouseInside = true;
    if (FState == stUp)
        SetState(stActive);
    else if (FState == stDown)
        SetState(stActiveDown);
    Repaint();
    FHoverTimer->start();
}

void TShineSpeedButton::MouseLeave(TShiftState shift, int x, int y) {
    if (OnMouseLeave)
        OnMouseLeave(this, shift, x, y);
    if (!FMouseInside || !isEnabled() || FTracking)
        return;
    FHoverTimer->stop();
    FMouseInside = false;
    if (FState == stActive)
        SetState(stUp);
    else if (FState == stActiveDown)
        SetState(stDown);
    Repaint();
}

// Catches a leave that the window system did not report.
void TShineSpeedButton::HoverTimerTick() {
    if (!FMouseInside || !isEnabled() || FTracking) {
        FHoverTimer->stop();
        return;
    }
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!rect().contains(p))
        MouseLeave(GetShiftState(), p.x(), p.y());
}

// Re-synchronises the hot look with the real cursor. The flag is set to the
// opposite of the truth so that the following enter or leave takes effect.
void TShineSpeedButton::UpdateTracking() {
    if (!isEnabled())
        return;
    const QPoint global = QCursor::pos();
    const bool over = QApplication::widgetAt(global) == this;
    const QPoint p = mapFromGlobal(global);
    FMouseInside = !over;
    if (FMouseInside)
        MouseLeave(GetShiftState(), p.x(), p.y());
    else
        MouseEnter(GetShiftState(), p.x(), p.y());
}

void TShineSpeedButton::EnabledChanged() {
    FDown = false;
    SetState(isEnabled() ? stUp : stDisabled);
    Invalidate();
}

// ---------------------------------------------------------------------------
// Down and groups

void TShineSpeedButton::SetDown(bool v) {
    if (v == FDown || FGroupIndex == 0)
        return;
    if (FAllowAllUp)
        FDown = v;
    else if (!FDown)
        FDown = true;
    else
        return;
    UpdateExclusive(FGroupIndex);
    SetState(FDown ? stDown : stUp);
    Repaint();
}

void TShineSpeedButton::SetGroupIndex(int v) {
    if (v != FGroupIndex)
        UpdateExclusive(v);
}

void TShineSpeedButton::SetAllowAllUp(bool v) {
    if (v == FAllowAllUp)
        return;
    FAllowAllUp = v;
    UpdateExclusive(FGroupIndex);
}

// Tells the parent's other buttons of the group this button's state through
// a short-lived standard speed button, so standard and shine buttons share
// one group.
void TShineSpeedButton::UpdateExclusive(int index) {
    FGroupIndex = index;
    QWidget* parent = parentWidget();
    if (index == 0 || !parent)
        return;
    const std::unique_ptr<TSpeedButton> proxy(new TSpeedButton(parent));
    FGroupProxy = proxy.get();
    struct Clear {
        TSpeedButton*& Proxy;
        ~Clear() { Proxy = nullptr; }
    } clear{FGroupProxy};
    proxy->SetGroupIndex(FGroupIndex);
    proxy->SetAllowAllUp(FAllowAllUp);
    proxy->SetDown(FDown);
    BroadcastButtonPressed(parent, FGroupIndex, proxy.get());
}

void TShineSpeedButton::GroupNotice(const TButtonPressedEvent& e) {
    if (e.GroupIndex != FGroupIndex || !e.Sender || e.Sender == FGroupProxy)
        return;
    if (e.Sender->Down() && FDown) {
        FDown = false;
        SetState(stUp);
        Invalidate();
    }
    FAllowAllUp = e.Sender->AllowAllUp();
}

// ---------------------------------------------------------------------------
// Accelerator

void TShineSpeedButton::UpdateAccelerator() {
    if (FAccelShortcut)
        releaseShortcut(FAccelShortcut);
    FAccelShortcut = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(FCaption);
    if (!mnemonic.isEmpty())
        FAccelShortcut = grabShortcut(mnemonic);
}

bool TShineSpeedButton::DialogChar(QChar ch) {
    const QKeySequence mnemonic = QKeySequence::mnemonic(FCaption);
    const QString keys = mnemonic.toString(QKeySequence::PortableText);
    const bool isAccel = !keys.isEmpty() && keys.back().toUpper() == ch.toUpper();
    QWidget* parent = parentWidget();
    if (!FShowAccelChar || !isAccel || !isEnabled() || !isVisible() || !parent ||
        !parent->isVisible())
        return false;
    if (FAccelCharDown)
        SetDown(!FDown);
    Click();
    return true;
}

// ---------------------------------------------------------------------------
// Actions

void TShineSpeedButton::SetAction(TBasicAction* action) {
    if (FAction == action)
        return;
    if (FAction)
        disconnect(FAction, nullptr, this, nullptr);
    FAction = action;
    if (!action)
        return;
    connect(action, &TBasicAction::Changed, this, [this] {
        if (FAction)
            ActionChange(FAction, false);
    });
    ActionChange(action, false);
}

void TShineSpeedButton::SetActionCheckedDown(bool v) {
    if (v == FActionCheckedDown)
        return;
    FActionCheckedDown = v;
    const auto* action = qobject_cast<TCustomAction*>(FAction.data());
    if (v && action && action->ActionList())
        SetDown(action->Checked());
}

// Caption, hint, enabled and visible follow the action (with checkDefaults,
// only where the button still has its own default); then the action's
// picture fills an empty Glyph and Checked drives Down.
void TShineSpeedButton::ActionChange(QObject* sender, bool checkDefaults) {
    auto* action = qobject_cast<TCustomAction*>(sender);
    if (!action)
        return;
    if (!checkDefaults || FCaption.isEmpty())
        SetCaption(action->Caption());
    if (!checkDefaults || isEnabled())
        setEnabled(action->Enabled());
    if (!checkDefaults || Hint().isEmpty())
        SetHint(action->Hint());
    // Without a parent a visible widget would become a window of its own.
    if (parentWidget() && (!checkDefaults || isVisibleTo(parentWidget())))
        setVisible(action->Visible());

    TActionList* list = action->ActionList();
    const TCustomImageList* images = list ? list->Images() : nullptr;
    if (FGlyph.isNull() && images && action->ImageIndex() >= 0 &&
        action->ImageIndex() < images->Count())
        CopyActionImage(*images, action->ImageIndex());
    if (FActionCheckedDown && list)
        SetDown(action->Checked());
}

// The picture over a fuchsia background, which becomes the key colour when
// the bottom-left pixel shows background.
void TShineSpeedButton::CopyActionImage(const TCustomImageList& images, int index) {
    QImage glyph(images.Width(), images.Height(), QImage::Format_RGB32);
    glyph.fill(ToQColor(clFuchsia));
    {
        QPainter canvas(&glyph);
        images.Draw(canvas, 0, 0, index, true);
    }
    FGlyph = glyph;
    GlyphChanged();
}
