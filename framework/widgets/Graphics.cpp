#include "Graphics.h"

#include <QFontDatabase>
#include <cmath>

TFont::TFont(const QString& name, int pixelHeight, TColor color, TFontStyles style)
    : FName(name), FHeight(pixelHeight), FColor(color), FStyle(style) {}

void TFont::Assign(const TFont& other) {
    if (*this == other)
        return;
    FName = other.FName;
    FHeight = other.FHeight;
    FColor = other.FColor;
    FStyle = other.FStyle;
    FCharset = other.FCharset;
    Changed();
}

bool TFont::operator==(const TFont& o) const {
    return FName == o.FName && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
           FCharset == o.FCharset;
}

void TFont::Changed() {
    if (OnChange)
        OnChange();
}

void TFont::SetName(const QString& name) {
    if (name == FName)
        return;
    FName = name;
    Changed();
}

void TFont::SetHeight(int pixels) {
    if (pixels == FHeight)
        return;
    FHeight = pixels;
    Changed();
}

int TFont::Size() const {
    return int(std::lround(FHeight * 72.0 / kPixelsPerInch));
}

void TFont::SetSize(int points) {
    SetHeight(int(std::lround(points * double(kPixelsPerInch) / 72.0)));
}

void TFont::SetColor(TColor color) {
    if (color == FColor)
        return;
    FColor = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == FStyle)
        return;
    FStyle = style;
    Changed();
}

void TFont::SetCharset(int charset) {
    if (charset == FCharset)
        return;
    FCharset = charset;
    Changed();
}

QFont TFont::ToQFont() const {
    QFont f(FName);
    f.setPixelSize(std::max(1, FHeight));
    f.setBold(FStyle & fsBold);
    f.setItalic(FStyle & fsItalic);
    f.setUnderline(FStyle & fsUnderline);
    f.setStrikeOut(FStyle & fsStrikeOut);
    return f;
}

void InstallFontSubstitutions() {
    // Qt takes the first of these that is installed when a face is
    // resolved; asking the font database here would load all of it before
    // the window is shown.
    const auto list = [](std::initializer_list<const char*> candidates) {
        QStringList faces;
        for (const char* c : candidates)
            faces << QString::fromUtf8(c);
        return faces;
    };
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"),
                               list({"IPAMincho", "IPA明朝", "IPAexMincho", "Noto Serif CJK JP"}));
    QFont::insertSubstitutions(
        QStringLiteral("ＭＳ ゴシック"),
        list({"IPAGothic", "IPAゴシック", "IPAexGothic", "Noto Sans CJK JP"}));
    QFont::insertSubstitutions(
        QStringLiteral("ＭＳ Ｐゴシック"),
        list({"IPAPGothic", "IPA Pゴシック", "IPAGothic", "Noto Sans CJK JP"}));
}
