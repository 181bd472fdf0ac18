// A self-painted toolbar button: solid or gradient face, one of three frame
// kinds, a caption that follows the hot and pressed looks.
#pragma once

#include "Colors.h"
#include "Graphics.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QPainter;
class QTimer;

enum TFrameType : unsigned char { ftFlatFrame, ftNormalFrame, ftEnclosedFrame };
enum TActiveImageType : unsigned char {
    aiNoLight,
    aiXorLight,
    aiHalfLight,
    aiQuaterLight,
    aiAddLight,
    aiFrameLight,
    aiFrameLight2,
    aiMaskLight
};
enum TDecorationImageType : unsigned char {
    diDefault,
    diGrayscale,
    diAlphaHalfTrans,
    diAlphaQuaterTrans,
    diMaskTrans
};
enum TButtonLayout : unsigned char { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TAlignment : unsigned char { taLeftJustify, taRightJustify, taCenter };
// The visual state; which colours, font and frame each one uses is decided
// in one place (TShineSpeedButton::StateColors and friends).
enum TShineState : unsigned char { stActiveDown, stDown, stActive, stUp, stDisabled };

enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned; // a set of TShiftFlag bits

using TNotifyEvent = std::function<void(QObject* sender)>;
using TMouseMoveEvent = std::function<void(QObject* sender, TShiftState shift, int x, int y)>;

// 0x00RRGGBB of a colour, system colours resolved through the palette.
std::uint32_t ColorToDibRGB(TColor color);

// The colours of one look of the button.
class TShineBtnColors : public QObject {
    Q_OBJECT
public:
    explicit TShineBtnColors(QObject* owner = nullptr);
    ~TShineBtnColors() override;

    // Copies the seven values; anything but a colour set (or none) raises
    // EConvertError and changes nothing. Fires the receiving set's OnChange.
    virtual void Assign(const QObject* source);
    virtual void AssignTo(QObject* dest) const;

    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TColor Highlight() const { return FHighlight; }
    void SetHighlight(TColor v);
    TColor Shadow() const { return FShadow; }
    void SetShadow(TColor v);
    TColor DarkShadow() const { return FDarkShadow; }
    void SetDarkShadow(TColor v);
    TColor GradColor() const { return FGradColor; }
    void SetGradColor(TColor v);
    bool GradVertical() const { return FGradVertical; }
    void SetGradVertical(bool v);
    bool Gradation() const { return FGradation; }
    void SetGradation(bool v);

    TNotifyEvent OnChange;

private:
    template <typename T> void Store(T& field, T value);
    void Changed();
    void CopyFrom(const TShineBtnColors& s);

    TColor FColor = clBtnFace;
    TColor FHighlight = clBtnHighlight;
    TColor FShadow = clBtnShadow;
    TColor FDarkShadow = clWindowFrame;
    TColor FGradColor = clBlue;
    bool FGradVertical = false;
    bool FGradation = false;
};

class TShineSpeedButton : public QWidget {
    Q_OBJECT
public:
    explicit TShineSpeedButton(QWidget* parent = nullptr);
    ~TShineSpeedButton() override;

    virtual void Loaded() {}

    // Inherited properties published again.
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v);
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& v);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool v) { setEnabled(v); }

    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool v) { StoreAndInvalidate(FShowAccelChar, v); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v) { StoreAndInvalidate(FAlignment, v); }
    int AlMargin() const { return FAlMargin; }
    void SetAlMargin(int v) { StoreAndInvalidate(FAlMargin, v); }
    bool Down() const { return FDown; }
    bool ClickDownHook() const { return FClickDownHook; }
    void SetClickDownHook(bool v) { StoreAndInvalidate(FClickDownHook, v); }
    bool AccelCharDown() const { return FAccelCharDown; }
    void SetAccelCharDown(bool v) { StoreAndInvalidate(FAccelCharDown, v); }
    TFrameType FrameType() const { return FFrameType; }
    void SetFrameType(TFrameType v) { StoreAndInvalidate(FFrameType, v); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    bool ActiveFrame() const { return FActiveFrame; }
    void SetActiveFrame(bool v) { StoreAndInvalidate(FActiveFrame, v); }
    bool UpFrame() const { return FUpFrame; }
    void SetUpFrame(bool v) { StoreAndInvalidate(FUpFrame, v); }
    bool DownFrame() const { return FDownFrame; }
    void SetDownFrame(bool v) { StoreAndInvalidate(FDownFrame, v); }
    TActiveImageType ActiveImage() const { return FActiveImage; }
    void SetActiveImage(TActiveImageType v) { StoreAndInvalidate(FActiveImage, v); }
    TDecorationImageType UpImage() const { return FUpImage; }
    void SetUpImage(TDecorationImageType v) { StoreAndInvalidate(FUpImage, v); }
    TDecorationImageType DownImage() const { return FDownImage; }
    void SetDownImage(TDecorationImageType v) { StoreAndInvalidate(FDownImage, v); }
    TDecorationImageType DisabledImage() const { return FDisabledImage; }
    void SetDisabledImage(TDecorationImageType v) { StoreAndInvalidate(FDisabledImage, v); }
    TColor DisabledHighlight() const { return FDisabledHighlight; }
    void SetDisabledHighlight(TColor v) { StoreAndInvalidate(FDisabledHighlight, v); }
    TColor DisabledShadow() const { return FDisabledShadow; }
    void SetDisabledShadow(TColor v) { StoreAndInvalidate(FDisabledShadow, v); }
    TColor ShineColor() const { return FShineColor; }
    void SetShineColor(TColor v) { StoreAndInvalidate(FShineColor, v); }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout v) { StoreAndInvalidate(FLayout, v); }
    int Margin() const { return FMargin; }
    void SetMargin(int v) { StoreAndInvalidate(FMargin, v); }
    int Spacing() const { return FSpacing; }
    void SetSpacing(int v) { StoreAndInvalidate(FSpacing, v); }

    // These repaint even when the value is unchanged.
    bool ActiveColorsEnabled() const { return FActiveColorsEnabled; }
    void SetActiveColorsEnabled(bool v);
    TColor FontHighlight() const { return FFontHighlight; }
    void SetFontHighlight(TColor v);
    TColor FontShadow() const { return FFontShadow; }
    void SetFontShadow(TColor v);

    // Owned parts; the setters copy into them (a null value is ignored for fonts).
    TShineBtnColors* Colors() const { return FColors; }
    void SetColors(const TShineBtnColors* v) { FColors->Assign(v); }
    TShineBtnColors* ActiveColors() const { return FActiveColors; }
    void SetActiveColors(const TShineBtnColors* v) { FActiveColors->Assign(v); }
    TShineBtnColors* PressedColors() const { return FPressedColors; }
    void SetPressedColors(const TShineBtnColors* v) { FPressedColors->Assign(v); }
    TFont* Font() { return &FFont; }
    void SetFont(const TFont* v);
    TFont* ActiveFont() { return &FActiveFont; }
    void SetActiveFont(const TFont* v);

    // Empty, RGB32 (top byte clear) or Mono.
    const QImage& Glyph() const { return FGlyph; }
    void SetGlyph(const QImage* v);

    // Runs OnClick; with ClickDownHook the button looks pressed meanwhile.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseMoveEvent OnMouseEnter;
    TMouseMoveEvent OnMouseLeave;
    TNotifyEvent OnStateChange;

    TShineState State() const { return FState; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    virtual void Paint();
    virtual void MouseDown(Qt::MouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter(TShiftState shift, int x, int y);
    virtual void MouseLeave(TShiftState shift, int x, int y);

private:
    struct TContentLayout {
        QPoint ImagePos;
        QRect TextRect;
    };

    template <typename T> void StoreAndInvalidate(T& field, T value) {
        if (field == value)
            return;
        field = value;
        update();
    }
    void PartChanged() { update(); }
    void GlyphChanged();
    void SetState(TShineState s);
    void Invalidate() { update(); }
    void Repaint();
    void EnabledChanged();
    void HoverTimerTick();
    void UpdateTracking();

    // Per-state choices.
    const TShineBtnColors* StateColors() const;
    const TFont& StateFont() const;
    bool StatePressed() const { return FState == stActiveDown || FState == stDown; }
    bool StateActive() const { return FState == stActiveDown || FState == stActive; }
    bool StateFrameDrawn() const;

    void DrawFace(QPainter& canvas);
    void DrawContent(QPainter& canvas);
    void DrawFrame(QPainter& canvas);
    void DrawCaption(QPainter& canvas, QRect r, TColor color, int flags);
    TContentLayout CalcLayout(const QFont& font) const;
    int CaptionFlags() const;
    // The picture for the current state; null when there is no Glyph.
    QImage CreateStateImage() const;

    bool FShowAccelChar = true;
    TAlignment FAlignment = taCenter;
    int FAlMargin = -1;
    bool FDown = false;
    bool FClickDownHook = false;
    bool FAccelCharDown = false;
    TFrameType FFrameType = ftNormalFrame;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FTransparent = false;
    bool FActiveFrame = true;
    bool FUpFrame = true;
    bool FDownFrame = true;
    TActiveImageType FActiveImage = aiFrameLight;
    TDecorationImageType FUpImage = diDefault;
    TDecorationImageType FDownImage = diDefault;
    TDecorationImageType FDisabledImage = diDefault;
    TColor FDisabledShadow = clBtnShadow;
    TColor FDisabledHighlight = clBtnHighlight;
    TShineBtnColors* FColors;
    TShineBtnColors* FActiveColors;
    bool FActiveColorsEnabled = false;
    TShineBtnColors* FPressedColors;
    TColor FShineColor = clYellow;
    TFont FFont;
    TColor FFontHighlight = clNone;
    TColor FFontShadow = clNone;
    TFont FActiveFont;
    QImage FGlyph;
    QString FCaption;
    bool FMouseInside = false;
    bool FTracking = false;
    TShineState FState = stUp;
    QTimer* FHoverTimer;
};
