// Colour values as 32-bit numbers: red in bits 0-7, green 8-15, blue 16-23;
// 0x80000000 + index names a system colour resolved through the palette.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>

using TColor = std::int32_t;

constexpr TColor RGBColor(int r, int g, int b) {
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor SystemColor(int index) {
    return TColor(0x80000000u + unsigned(index));
}

// The sixteen fixed colours.
constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clMaroon = RGBColor(128, 0, 0);
constexpr TColor clGreen = RGBColor(0, 128, 0);
constexpr TColor clOlive = RGBColor(128, 128, 0);
constexpr TColor clNavy = RGBColor(0, 0, 128);
constexpr TColor clPurple = RGBColor(128, 0, 128);
constexpr TColor clTeal = RGBColor(0, 128, 128);
constexpr TColor clGray = RGBColor(128, 128, 128);
constexpr TColor clSilver = RGBColor(192, 192, 192);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clLime = RGBColor(0, 255, 0);
constexpr TColor clYellow = RGBColor(255, 255, 0);
constexpr TColor clBlue = RGBColor(0, 0, 255);
constexpr TColor clFuchsia = RGBColor(255, 0, 255);
constexpr TColor clAqua = RGBColor(0, 255, 255);
constexpr TColor clWhite = RGBColor(255, 255, 255);

// System colours, in the order of their indexes.
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clSystemColorCount = 25;

constexpr TColor clNone = TColor(0x1FFFFFFF);

inline bool IsSystemColor(TColor c) {
    return (std::uint32_t(c) & 0xFF000000u) == 0x80000000u;
}

// Plain RGB value of a colour; system colours are looked up in the
// application palette. clNone and unknown system indexes give black.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// "clRed" for a named colour, otherwise "$" and eight upper-case hex digits.
QString ColorToString(TColor color);
// A table name in any letter case, else an integer text; nullopt when neither.
std::optional<TColor> StringToColor(const QString& text);

struct TColorName {
    TColor Value;
    const char* Name;
};
// The 42 named colours: sixteen fixed ones, the 25 system colours, clNone.
const TColorName* ColorNames(int* count);
