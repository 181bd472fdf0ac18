#include "ShineSpdBtn.h"

#include "SysUtils.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstring>

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
    FFont.OnChange = nullptr;
    FActiveFont.OnChange = nullptr;
    // The colour sets die with us as children; they must not call back meanwhile.
    for (TShineBtnColors* c : {FColors, FActiveColors, FPressedColors})
        c->OnChange = nullptr;
}

void TShineSpeedButton::SetCaption(const QString& v) {
    StoreAndInvalidate(FCaption, v);
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
    FGlyph = v ? *v : QImage();
    if (v)
        GlyphChanged();
    Invalidate();
}

void TShineSpeedButton::GlyphChanged() {
    if (!FGlyph.isNull() && FGlyph.format() != QImage::Format_Mono)
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
    // Composed off-screen so later steps can work on exact pixels.
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

void TShineSpeedButton::DrawContent(QPainter& canvas) {
    const TFont& font = StateFont();
    const QFont qfont = font.ToQFont();
    canvas.setFont(qfont);
    const QImage image = CreateStateImage();
    const TContentLayout layout = CalcLayout(qfont);
    const QPoint pressOffset = StatePressed() ? QPoint(1, 1) : QPoint(0, 0);
    if (!image.isNull()) {
        // Pixels of the key colour (bottom-left) are background.
        QImage shown = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = image.pixel(0, image.height() - 1) & RGB_MASK;
        for (int y = 0; y < shown.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
            for (int x = 0; x < shown.width(); ++x)
                if ((row[x] & RGB_MASK) == key)
                    row[x] = 0;
        }
        canvas.drawImage(layout.ImagePos + pressOffset, shown);
    }
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

TShineSpeedButton::TContentLayout TShineSpeedButton::CalcLayout(const QFont& font) const {
    const int cw = width(), ch = height();
    const bool hasImage = !FGlyph.isNull();
    const bool hasCaption = !FCaption.isEmpty();
    const int gw = hasImage ? FGlyph.width() : 0;
    const int gh = hasImage ? FGlyph.height() : 0;

    int measureFlags = Qt::AlignLeft | Qt::AlignTop;
    if (FAccelCharDown)
        measureFlags |= Qt::TextShowMnemonic;
    const QRect measured =
        QFontMetrics(font).boundingRect(QRect(0, 0, cw, 0), measureFlags, FCaption);
    int tw = measured.width();
    const int th = measured.height();
    if (FAlMargin >= 0) {
        const bool sideways = FLayout == blGlyphLeft || FLayout == blGlyphRight;
        if (sideways && FMargin > 0)
            tw = cw - FMargin - (hasImage && hasCaption ? gw + FSpacing : 0) - FAlMargin;
        else if (!sideways)
            tw = cw - 2 * FAlMargin;
    }

    int bw = 0, bh = 0, gx = 0, gy = 0, tx = 0, ty = 0;
    switch (FLayout) {
    case blGlyphLeft:
        gx = bw;
        bw += gw;
        bh = std::max(bh, gh);
        if (hasImage && hasCaption)
            bw += FSpacing;
        tx = bw;
        if (hasCaption) {
            bw += tw;
            bh = std::max(bh, th);
        }
        break;
    case blGlyphRight:
        tx = bw;
        if (hasCaption) {
            bw += tw;
            bh = std::max(bh, th);
        }
        if (hasImage && hasCaption)
            bw += FSpacing;
        gx = bw;
        if (hasImage) {
            bw += gw;
            bh = std::max(bh, gh);
        }
        break;
    case blGlyphTop:
        gy = bh;
        if (hasImage) {
            bh += gh;
            bw = std::max(bw, gw);
        }
        if (hasCaption)
            bh += FSpacing;
        ty = bh;
        if (hasCaption) {
            bh += th;
            bw = std::max(bw, tw);
        }
        break;
    case blGlyphBottom:
        ty = bh;
        if (hasCaption) {
            bh += th;
            bw = std::max(bw, tw);
        }
        if (hasImage && hasCaption)
            bh += FSpacing;
        gy = bh;
        bh += gh;
        bw = std::max(bw, gw);
        break;
    }
    const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    if (hasImage) {
        if (horizontal)
            gy = Half(bh - gh);
        else
            gx = Half(bw - gw);
    }
    if (hasCaption) {
        if (horizontal)
            ty = Half(bh - th);
        else
            tx = Half(bw - tw);
    }

    int ox = Half(cw - bw), oy = Half(ch - bh);
    if (FMargin >= 0) {
        switch (FLayout) {
        case blGlyphLeft:
            ox = FMargin;
            break;
        case blGlyphRight:
            ox = cw - bw - FMargin;
            break;
        case blGlyphTop:
            oy = FMargin;
            break;
        case blGlyphBottom:
            oy = ch - bh - FMargin;
            break;
        }
    }
    return {QPoint(ox + gx, oy + gy), QRect(ox + tx, oy + ty, tw, th)};
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

QImage TShineSpeedButton::CreateStateImage() const {
    if (FGlyph.isNull())
        return {};
    if (FGlyph.format() != QImage::Format_Mono)
        return FGlyph;
    // Set bits take the control colour, clear bits the caption colour.
    QImage colored(FGlyph.size(), QImage::Format_RGB32);
    const QRgb set = ColorToDibRGB(clBtnFace) | 0xFF000000u;
    const QRgb clear = ColorToDibRGB(FFont.Color()) | 0xFF000000u;
    for (int y = 0; y < FGlyph.height(); ++y)
        for (int x = 0; x < FGlyph.width(); ++x)
            colored.setPixel(x, y, FGlyph.pixelIndex(x, y) ? set : clear);
    return colored;
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

void TShineSpeedButton::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), ShiftOf(e), p.x(), p.y());
}

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

void TShineSpeedButton::enterEvent(QEnterEvent* e) {
    const QPoint p = e->position().toPoint();
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

void TShineSpeedButton::MouseDown(Qt::MouseButton button, TShiftState, int, int) {
    if (button != Qt::LeftButton || !isEnabled())
        return;
    const bool wasDown = FDown;
    SetState(stActiveDown);
    if (!wasDown)
        Invalidate();
    FTracking = true;
}

void TShineSpeedButton::MouseMove(TShiftState, int x, int y) {
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

void TShineSpeedButton::MouseUp(Qt::MouseButton, TShiftState, int x, int y) {
    if (!FTracking)
        return;
    const bool inside = x >= 0 && x < width() && y >= 0 && y < height();
    SetState(stUp);
    FMouseInside = false;
    FDown = false;
    if (inside)
        Repaint();
    FTracking = false;
    if (inside)
        Click();
    UpdateTracking();
}

void TShineSpeedButton::Click() {
    if (!FClickDownHook) {
        if (OnClick)
            OnClick(this);
        return;
    }
    const TShineState saved = FState;
    SetState(stActiveDown);
    Repaint();
    // The previous look returns even when the handler throws.
    struct Restore {
        TShineSpeedButton* Self;
        TShineState State;
        ~Restore() {
            Self->SetState(State);
            Self->Repaint();
        }
    } restore{this, saved};
    if (OnClick)
        OnClick(this);
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
