#include "ShineSpdBtn.h"

#include <algorithm>
#include <vector>

// The pictures derived from the Glyph for each state. Pixels are 0x00RRGGBB
// in RGB32 rows (the top byte is not part of the colour); decisions read the
// source S, writes go to R.

namespace {

constexpr QRgb kOpaque = 0xFF000000u;

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
                  [&](int cr, int cg, int cb) { return qRgb(cr ^ lr, cg ^ lg, cb ^ lb); });
        break;
    case aiHalfLight:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return qRgb((cr + lr) / 2, (cg + lg) / 2, (cb + lb) / 2);
        });
        break;
    case aiQuaterLight:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return qRgb((cr + 3 * lr) / 4, (cg + 3 * lg) / 4, (cb + 3 * lb) / 4);
        });
        break;
    case aiAddLight:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return qRgb(std::min(cr + lr, 255), std::min(cg + lg, 255), std::min(cb + lb, 255));
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

TDecorationImageType TShineSpeedButton::StateDecoration() const {
    switch (FState) {
    case stDown:
        return FDownImage;
    case stDisabled:
        return FDisabledImage;
    default:
        return FUpImage;
    }
}

void TShineSpeedButton::ApplyDecoration(const QImage& s, QImage& r, QRgb key) const {
    const TDecorationImageType d = StateDecoration();
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
            return qRgb(v, v, v);
        });
        break;
    case diAlphaHalfTrans:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return qRgb((cr + fr) / 2, (cg + fg) / 2, (cb + fb) / 2);
        });
        break;
    case diAlphaQuaterTrans:
        MapOpaque(s, r, key, [&](int cr, int cg, int cb) {
            return qRgb((cr + 3 * fr) / 4, (cg + 3 * fg) / 4, (cb + 3 * fb) / 4);
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

// Everything CreateStateImage reads. Both lit states give one picture, and
// so do up and down with the same decoration.
TShineSpeedButton::TStateImageKey TShineSpeedButton::StateImageKey() const {
    TStateImageKey key;
    key.Glyph = FGlyph.cacheKey();
    key.Lit = StateActive();
    key.Disabled = FState == stDisabled;
    key.Effect = key.Lit ? int(FActiveImage) : int(StateDecoration());
    key.Shine = ColorToDibRGB(FShineColor);
    key.Face = ColorToDibRGB(FColors->Color());
    if (FGlyph.depth() == 1) {
        key.MonoSet = ColorToDibRGB(FControlColor);
        key.MonoClear = ColorToDibRGB(FFont.Color());
    }
    return key;
}
