// A self-painted toolbar button: solid or gradient face, one of three frame
// kinds, a picture lit or decorated per state, a caption that follows the
// hot and pressed looks; it latches in groups shared with the standard
// speed buttons and follows a linked action.
#pragma once

#include "ActnList.h"
#include "Colors.h"
#include "Graphics.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QPainter;
class QTimer;
class TButtonPressedEvent;
class TCustomImageList;
class TSpeedButton;

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
using TMouseEvent =
    std::function<void(QObject* sender, Qt::MouseButton button, TShiftState shift, int x, int y)>;

// 0x00RRGGBB of a colour, system colours resolved through the palette.
std::uint32_t ColorToDibRGB(TColor color);

// The colours of one look of the button.
class TShineBtnColors : public QObject {
    Q_OBJECT
    Q_PROPERTY(TColor Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(TColor Shadow READ Shadow WRITE SetShadow)
    Q_PROPERTY(TColor DarkShadow READ DarkShadow WRITE SetDarkShadow)
    Q_PROPERTY(TColor GradColor READ GradColor WRITE SetGradColor)
    Q_PROPERTY(bool GradVertical READ GradVertical WRITE SetGradVertical)
    Q_PROPERTY(bool Gradation READ Gradation WRITE SetGradation)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
public:
    explicit TShineBtnColors(QObject* owner = nullptr);
    ~TShineBtnColors() override;

    // Copies the seven values; anything but a colour set (or none) raises
    // EConvertError and changes nothing. Fires the receiving set's OnChange.
    virtual void AssignTo(QObject* dest) const;
    virtual void Assign(const QObject* source);

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

    // Whether a stored form writes the property: a value equal to its
    // default is left out; Color has no default and is always written.
    bool IsStored(const char* property) const;

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

// A picture derived for one state, with the colour that is not drawn.
struct TStateImage {
    QImage Bitmap; // null when there is no Glyph
    QRgb TransparentColor = 0;
};

class TShineSpeedButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(int AlMargin READ AlMargin WRITE SetAlMargin)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool ActionCheckedDown READ ActionCheckedDown WRITE SetActionCheckedDown)
    Q_PROPERTY(bool ClickDownHook READ ClickDownHook WRITE SetClickDownHook)
    Q_PROPERTY(bool AccelCharDown READ AccelCharDown WRITE SetAccelCharDown)
    Q_PROPERTY(TFrameType FrameType READ FrameType WRITE SetFrameType)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool ActiveFrame READ ActiveFrame WRITE SetActiveFrame)
    Q_PROPERTY(bool UpFrame READ UpFrame WRITE SetUpFrame)
    Q_PROPERTY(bool DownFrame READ DownFrame WRITE SetDownFrame)
    Q_PROPERTY(TActiveImageType ActiveImage READ ActiveImage WRITE SetActiveImage)
    Q_PROPERTY(TDecorationImageType UpImage READ UpImage WRITE SetUpImage)
    Q_PROPERTY(TDecorationImageType DownImage READ DownImage WRITE SetDownImage)
    Q_PROPERTY(TDecorationImageType DisabledImage READ DisabledImage WRITE SetDisabledImage)
    Q_PROPERTY(TColor DisabledHighlight READ DisabledHighlight WRITE SetDisabledHighlight)
    Q_PROPERTY(TColor DisabledShadow READ DisabledShadow WRITE SetDisabledShadow)
    Q_PROPERTY(TShineBtnColors* ActiveColors READ ActiveColors WRITE SetActiveColors)
    Q_PROPERTY(bool ActiveColorsEnabled READ ActiveColorsEnabled WRITE SetActiveColorsEnabled)
    Q_PROPERTY(TShineBtnColors* Colors READ Colors WRITE SetColors)
    Q_PROPERTY(TShineBtnColors* PressedColors READ PressedColors WRITE SetPressedColors)
    Q_PROPERTY(TColor ShineColor READ ShineColor WRITE SetShineColor)
    Q_PROPERTY(TColor FontHighlight READ FontHighlight WRITE SetFontHighlight)
    Q_PROPERTY(TColor FontShadow READ FontShadow WRITE SetFontShadow)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
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
    // Changing the button's own Enabled clears Down; a parent being
    // disabled or enabled changes only the look.
    void SetEnabled(bool v);
    // The control colour (not published); set bits of a 1-bit Glyph take it.
    TColor Color() const { return FControlColor; }
    void SetColor(TColor v) { StoreAndInvalidate(FControlColor, v); }

    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    bool ShowAccelChar() const { return FShowAccelChar; }
    // Without it the caption's "&" letter is no shortcut, so another
    // control may take that letter.
    void SetShowAccelChar(bool v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v) { StoreAndInvalidate(FAlignment, v); }
    int AlMargin() const { return FAlMargin; }
    void SetAlMargin(int v) { StoreAndInvalidate(FAlMargin, v); }
    // Latches only in a group (GroupIndex not 0); without AllowAllUp a Down
    // button goes up only when another button of its group goes down.
    bool Down() const { return FDown; }
    void SetDown(bool v);
    // Down follows the linked action's Checked.
    bool ActionCheckedDown() const { return FActionCheckedDown; }
    void SetActionCheckedDown(bool v);
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
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool v);
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

    // Empty (0 by 0), RGB32 or Mono. Setting copies the picture; none (or
    // a null picture) leaves a 0 by 0 Glyph.
    const QImage& Glyph() const { return FGlyph; }
    void SetGlyph(const QImage* v);
    void SetGlyph(const QImage& v) { SetGlyph(&v); }
    TColor GlyphTransparentColor() const { return FGlyphTransparentColor; }

    // The linked action: its changes reach ActionChange, Click runs it.
    TBasicAction* Action() const { return FAction; }
    void SetAction(TBasicAction* action);

    // Runs the linked action or OnClick; with ClickDownHook the button looks
    // pressed meanwhile.
    virtual void Click();

    // The picture for the current state, and a 1-bit picture coloured with
    // the control colour (set bits) and the caption colour (clear bits).
    TStateImage CreateStateImage() const;
    QImage MonoToColor(const QImage& bitmap) const;

    // The accelerator: true when ch is the caption's "&" letter and the
    // button took it (clicked, and toggled Down with AccelCharDown).
    bool DialogChar(QChar ch);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    // Fired before the button reacts to the press, move or release.
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseEnter;
    TMouseMoveEvent OnMouseLeave;
    TNotifyEvent OnStateChange;

    TShineState State() const { return FState; }

    // Whether a stored form writes the property: a value equal to its
    // declared default is left out; properties without one always count.
    bool IsStored(const char* property) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    virtual void Paint();
    virtual void ActionChange(QObject* sender, bool checkDefaults);
    virtual void MouseDown(Qt::MouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter(TShiftState shift, int x, int y);
    virtual void MouseLeave(TShiftState shift, int x, int y);

private:
    // What the state image is derived from; it is rebuilt only when this
    // changes (system colours are resolved, so a palette change counts).
    struct TStateImageKey {
        qint64 Glyph = 0;
        bool Lit = false;
        bool Disabled = false;
        int Effect = 0;
        QRgb Shine = 0, Face = 0, MonoSet = 0, MonoClear = 0;
        bool operator==(const TStateImageKey&) const = default;
    };
    struct TStateImageCache {
        TStateImageKey Key;
        // The 1-bit edge mask of the disabled default look, or the picture
        // with its transparent pixels cleared; null without a Glyph.
        QImage Picture;
    };
    struct TContentLayout {
        QPoint ImagePos;
        QRect TextRect;
    };
    // The image and caption stacked along one axis, before placing.
    struct TBlock {
        QSize Size;
        QPoint Glyph;
        QPoint Text;
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
    void UpdateExclusive(int index);
    void GroupNotice(const TButtonPressedEvent& e);
    void CopyActionImage(const TCustomImageList& images, int index);
    void UpdateAccelerator();
    bool TakeAccelerator();

    // Per-state choices.
    const TShineBtnColors* StateColors() const;
    const TFont& StateFont() const;
    bool StatePressed() const { return FState == stActiveDown || FState == stDown; }
    bool StateActive() const { return FState == stActiveDown || FState == stActive; }
    bool StateFrameDrawn() const;

    void DrawFace(QPainter& canvas);
    void DrawContent(QPainter& canvas);
    void DrawStateImage(QPainter& canvas, const QImage& picture, QPoint at);
    TStateImageKey StateImageKey() const;
    const QImage& CachedStateImage() const;
    void DrawFrame(QPainter& canvas);
    void DrawCaption(QPainter& canvas, QRect r, TColor color, int flags);
    int CaptionFlags() const;

    TContentLayout CalcLayout(const QFont& font) const;
    QRect MeasureCaption(const QFont& font) const;
    int TextBoxWidth(int measured) const;
    TBlock StackBlock(QSize text) const;
    QPoint BlockOffset(QSize block) const;

    TDecorationImageType StateDecoration() const;
    void ApplyActiveEffect(const QImage& s, QImage& r, QRgb key) const;
    void ApplyDecoration(const QImage& s, QImage& r, QRgb key) const;

    bool FShowAccelChar = true;
    TAlignment FAlignment = taCenter;
    int FAlMargin = -1;
    bool FDown = false;
    bool FActionCheckedDown = false;
    bool FClickDownHook = false;
    bool FAccelCharDown = false;
    TFrameType FFrameType = ftNormalFrame;
    bool FAllowAllUp = false;
    int FGroupIndex = 0;
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
    TColor FGlyphTransparentColor = clOlive;
    bool FMouseInside = false;
    bool FTracking = false;
    TShineState FState = stUp;
    QTimer* FHoverTimer;
    TSpeedButton* FGroupProxy = nullptr;

    bool FOwnEnabled = true; // the button's own Enabled, apart from its parents'
    mutable std::optional<TStateImageCache> FStateImage;
    TColor FControlColor = clBtnFace;
    QString FCaption;
    QPointer<TBasicAction> FAction;
    int FAccelShortcut = 0;
};
