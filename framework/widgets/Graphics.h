// Fonts with a colour and a change notification, and the Japanese face
// substitutions made at start-up.
#pragma once

#include "Colors.h"

#include <QFont>
#include <QString>
#include <functional>

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned; // a set of TFontStyle bits

constexpr int SHIFTJIS_CHARSET = 128;
constexpr int DEFAULT_CHARSET = 1;
// Stored sizes convert between points and pixels at this density; pixel
// heights are used unscaled on screen.
constexpr int kPixelsPerInch = 120;

class TFont {
public:
    TFont() = default;
    TFont(const QString& name, int pixelHeight, TColor color = clWindowText, TFontStyles style = 0);
    TFont(const TFont& other) : TFont() { Assign(other); }
    TFont& operator=(const TFont& other) {
        Assign(other);
        return *this;
    }

    // Copies the face, height, colour, style and charset; OnChange stays.
    void Assign(const TFont& other);

    QString Name() const { return FName; }
    void SetName(const QString& name);
    // Character height in pixels.
    int Height() const { return FHeight; }
    void SetHeight(int pixels);
    // Size in points at kPixelsPerInch.
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    int Charset() const { return FCharset; }
    void SetCharset(int charset);

    QFont ToQFont() const;
    bool operator==(const TFont& o) const;

    std::function<void()> OnChange;

private:
    void Changed();

    QString FName = QStringLiteral("ＭＳ Ｐゴシック");
    int FHeight = 15;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    int FCharset = DEFAULT_CHARSET;
};

// Maps "ＭＳ 明朝", "ＭＳ ゴシック" and "ＭＳ Ｐゴシック" to installed Japanese faces.
void InstallFontSubstitutions();
