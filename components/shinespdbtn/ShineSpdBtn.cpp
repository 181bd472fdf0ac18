#include "ShineSpdBtn.h"

#include "SysUtils.h"

#include <QTimer>
#include <QVariant>
#include <cstring>

// The colour sets, construction, properties and the state with its
// per-state choices. Painting, image effects, mouse and keyboard, groups and
// actions live in the files beside this one.

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

constexpr int kHoverInterval = 200;

std::uint32_t Channel(std::uint32_t rgb, int shift) {
    return (rgb >> shift) & 0xFF;
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
    // Made inside a disabled parent: the base class saw that before this
    // class could.
    if (!isEnabled())
        SetState(stDisabled);
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

void TShineSpeedButton::SetShowAccelChar(bool v) {
    if (v == FShowAccelChar)
        return;
    FShowAccelChar = v;
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

// A disabled button keeps the disabled look whatever is asked of it, so
// painting never has to correct the state.
void TShineSpeedButton::SetState(TShineState s) {
    if (!isEnabled())
        s = stDisabled;
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
