// The pictures a button derives from its Glyph for each state.
#include "ShineFixture.h"

#include <functional>
#include <set>

namespace {

constexpr QRgb kOliveDib = 0x808000; // clOlive as 0x00RRGGBB

// An RGB32 picture of one colour with some pixels set.
QImage Picture(int w, int h, QRgb background, std::initializer_list<std::pair<QPoint, QRgb>> set) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(background | 0xFF000000u);
    for (const auto& [p, c] : set)
        img.setPixel(p, c | 0xFF000000u);
    return img;
}

class ShineImageTest : public ShineButtonTest {
protected:
    void EnterState(TShineState s) {
        if (s == stDown || s == stActiveDown) {
            button->SetGroupIndex(1);
            button->SetAllowAllUp(true);
            button->SetDown(true);
        }
        if (s == stActive || s == stActiveDown)
            Hover();
        if (s == stDisabled)
            button->SetEnabled(false);
        ASSERT_EQ(button->State(), s);
    }

    // The lit pixels of the result: those that differ from the source.
    std::set<std::pair<int, int>> Changed(const QImage& before, const QImage& after) {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                if (Pixel(before, x, y) != Pixel(after, x, y))
                    out.insert({x, y});
        return out;
    }
};

struct EffectRow {
    const char* Name;
    friend void PrintTo(const EffectRow& row, std::ostream* os) { *os << row.Name; }
    TShineState State;
    TActiveImageType Active;
    TDecorationImageType Decoration;
    TColor Shine;
    QRgb In;
    QRgb Out;
};

// Colors.Color for the decorations: (40, 80, 120); the pressed face differs.
constexpr TColor kFaceColor = RGBColor(40, 80, 120);

const EffectRow kEffectRows[] = {
    {"NoLight", stActive, aiNoLight, diDefault, clYellow, Rgb(10, 20, 30), Rgb(10, 20, 30)},
    {"Xor", stActive, aiXorLight, diDefault, clYellow, Rgb(10, 20, 30), Rgb(245, 235, 30)},
    {"XorBlackShine", stActiveDown, aiXorLight, diDefault, clBlack, Rgb(10, 20, 30),
     Rgb(10, 20, 30)},
    {"Half", stActive, aiHalfLight, diDefault, clYellow, Rgb(0, 0, 0), Rgb(127, 127, 0)},
    {"Quarter", stActive, aiQuaterLight, diDefault, clYellow, Rgb(10, 20, 30),
     Rgb((10 + 765) / 4, (20 + 765) / 4, 30 / 4)},
    {"AddClamps", stActive, aiAddLight, diDefault, RGBColor(200, 100, 0), Rgb(100, 200, 5),
     Rgb(255, 255, 5)},
    {"UpDefault", stUp, aiHalfLight, diDefault, clYellow, Rgb(10, 20, 30), Rgb(10, 20, 30)},
    {"DownDefault", stDown, aiHalfLight, diDefault, clYellow, Rgb(10, 20, 30), Rgb(10, 20, 30)},
    {"UpGrey", stUp, aiNoLight, diGrayscale, clYellow, Rgb(10, 20, 31), Rgb(20, 20, 20)},
    {"DownHalfFace", stDown, aiNoLight, diAlphaHalfTrans, clYellow, Rgb(10, 20, 31),
     Rgb(25, 50, 75)},
    {"DisabledQuarterFace", stDisabled, aiNoLight, diAlphaQuaterTrans, clYellow, Rgb(10, 20, 31),
     Rgb((10 + 120) / 4, (20 + 240) / 4, (31 + 360) / 4)},
};

class ShineEffectTest : public ShineImageTest, public testing::WithParamInterface<EffectRow> {};

TEST_P(ShineEffectTest, ChangesPictureAndKeepsBackground) {
    const EffectRow& row = GetParam();
    button->Colors()->SetColor(kFaceColor);
    button->PressedColors()->SetColor(clWhite);
    button->SetShineColor(row.Shine);
    button->SetActiveImage(row.Active);
    button->SetUpImage(row.Decoration);
    button->SetDownImage(row.Decoration);
    button->SetDisabledImage(row.Decoration);
    button->SetGlyph(Picture(4, 4, kOliveDib, {{{1, 1}, row.In}}));
    EnterState(row.State);
    const TStateImage r = button->CreateStateImage();
    ASSERT_EQ(r.Bitmap.size(), QSize(4, 4));
    EXPECT_EQ(Pixel(r.Bitmap, 1, 1), row.Out);
    EXPECT_EQ(Pixel(r.Bitmap, 2, 2), kOliveDib);
    EXPECT_EQ(r.TransparentColor & RGB_MASK, kOliveDib);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShineEffectTest, testing::ValuesIn(kEffectRows), RowName<EffectRow>);

TEST_F(ShineImageTest, OutlinesLightTheBackgroundAroundThePicture) {
    const QImage glyph = Picture(11, 11, kOliveDib, {{{5, 5}, 0}});
    const std::set<std::pair<int, int>> ring = {{4, 5}, {6, 5}, {5, 4}, {5, 6}};
    std::set<std::pair<int, int>> thick = ring;
    thick.insert({{3, 5}, {7, 5}, {5, 3}, {5, 7}, {4, 4}, {6, 4}, {4, 6}, {6, 6}});
    button->SetGlyph(glyph);
    EnterState(stActive);
    for (const auto& [type, expected] : {std::pair{aiFrameLight, ring}, {aiFrameLight2, thick}}) {
        SCOPED_TRACE(type == aiFrameLight ? "aiFrameLight" : "aiFrameLight2");
        button->SetActiveImage(type);
        const TStateImage r = button->CreateStateImage();
        EXPECT_EQ(Changed(glyph, r.Bitmap), expected);
        for (const auto& [x, y] : expected)
            EXPECT_EQ(Pixel(r.Bitmap, x, y), Rgb(clYellow));
        EXPECT_EQ(r.TransparentColor & RGB_MASK, kOliveDib);
    }
}

TEST_F(ShineImageTest, LitBottomLeftPixelBecomesTheTransparentColour) {
    button->SetGlyph(Picture(6, 6, kOliveDib, {{{1, 5}, 0}}));
    EnterState(stActive);
    const TStateImage r = button->CreateStateImage();
    EXPECT_EQ(Pixel(r.Bitmap, 0, 5), Rgb(clYellow));
    EXPECT_EQ(r.TransparentColor & RGB_MASK, Rgb(clYellow));
}

struct MaskRow {
    const char* Name;
    friend void PrintTo(const MaskRow& row, std::ostream* os) { *os << row.Name; }
    TShineState State;
    int H;
    bool (*Odd)(int x, int y);
};

bool Checker(int x, int y) {
    return (x + y) % 2 == 1;
}
bool OddColumn(int x, int) {
    return x % 2 == 1;
}

// The count runs over every pixel in reading order, plus one per row when
// the height is even: a checkerboard for 8 by 8, odd columns for 8 by 7.
const MaskRow kMaskRows[] = {{"LitSquare", stActive, 8, Checker},
                             {"LitOddHeight", stActive, 7, OddColumn},
                             {"UpSquare", stUp, 8, Checker},
                             {"UpOddHeight", stUp, 7, OddColumn}};

class ShineMaskTest : public ShineImageTest, public testing::WithParamInterface<MaskRow> {};

TEST_P(ShineMaskTest, FollowsTheCountRule) {
    const MaskRow& row = GetParam();
    const QRgb paint = Rgb(10, 20, 30);
    button->SetActiveImage(aiMaskLight);
    button->SetUpImage(diMaskTrans);
    // Only the bottom-left pixel is background.
    button->SetGlyph(Picture(8, row.H, paint, {{{0, row.H - 1}, kOliveDib}}));
    EnterState(row.State);
    const QRgb marked = row.State == stActive ? Rgb(clYellow) : kOliveDib;
    const QImage r = button->CreateStateImage().Bitmap;
    for (int y = 0; y < row.H; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool key = x == 0 && y == row.H - 1;
            const QRgb want = key ? kOliveDib : row.Odd(x, y) ? marked : paint;
            ASSERT_EQ(Pixel(r, x, y), want) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Rows, ShineMaskTest, testing::ValuesIn(kMaskRows), RowName<MaskRow>);

// White where a diagonal pair of the 2 by 2 block differs; the picture is
// drawn as a mask, so black is its transparent colour.
TEST_F(ShineImageTest, DisabledDefaultGivesTheEdgeMask) {
    button->SetGlyph(Picture(4, 4, kOliveDib, {{{1, 1}, 0x123456}}));
    EnterState(stDisabled);
    const TStateImage r = button->CreateStateImage();
    ASSERT_EQ(r.Bitmap.depth(), 1);
    EXPECT_EQ(r.TransparentColor, 0u);
    const std::set<std::pair<int, int>> white = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Pixel(r.Bitmap, x, y), white.count({x, y}) ? 0xFFFFFFu : 0u) << x << "," << y;
}

TEST_F(ShineImageTest, MonoGlyphIsColouredBeforeTheEffect) {
    QImage mono(8, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    for (int x : {0, 2, 3})
        mono.setPixel(x, 1, 1); // the bottom-left bit is set
    button->SetColor(clRed);
    button->Font()->SetColor(clBlue);
    button->SetGlyph(mono);
    EXPECT_EQ(button->Glyph().format(), QImage::Format_Mono);
    const QImage coloured = button->MonoToColor(button->Glyph());
    EXPECT_EQ(Pixel(coloured, 0, 1), Rgb(clRed));
    EXPECT_EQ(Pixel(coloured, 1, 1), Rgb(clBlue));
    EXPECT_EQ(Pixel(coloured, 7, 0), Rgb(clBlue));
    EXPECT_TRUE(button->MonoToColor(Picture(2, 2, 0, {})).isNull());

    button->SetActiveImage(aiHalfLight);
    EnterState(stActive);
    const TStateImage r = button->CreateStateImage();
    EXPECT_EQ(r.TransparentColor & RGB_MASK, Rgb(clRed)); // the key is the set colour
    EXPECT_EQ(Pixel(r.Bitmap, 2, 1), Rgb(clRed));
    EXPECT_EQ(Pixel(r.Bitmap, 1, 1), Rgb(127, 127, 127)); // blue lit with yellow
}

TEST_F(ShineImageTest, GlyphFormatsAndEmptyGlyph) {
    QImage rgb(3, 2, QImage::Format_RGB888);
    rgb.fill(QColor(1, 2, 3));
    button->SetGlyph(rgb);
    EXPECT_EQ(button->Glyph().format(), QImage::Format_RGB32);
    EXPECT_EQ(Pixel(button->Glyph(), 2, 1), Rgb(1, 2, 3));
    EXPECT_EQ(button->GlyphTransparentColor(), clOlive);

    button->SetGlyph(nullptr);
    EXPECT_EQ(button->Glyph().size(), QSize(0, 0));
    for (TShineState s : {stUp, stActive, stDisabled}) {
        if (s == stActive)
            Hover();
        if (s == stDisabled)
            button->SetEnabled(false);
        ASSERT_EQ(button->State(), s);
        EXPECT_TRUE(button->CreateStateImage().Bitmap.isNull());
    }
}

// The picture is kept between paints; each input of its derivation still
// shows at the next paint. A 4 by 4 picture centred in 25 by 25 has its
// pixel (1, 1) painted at (11, 11).
TEST_F(ShineImageTest, PaintedPictureFollowsEveryInput) {
    QImage mono(4, 4, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(1, 1, 1); // set bits take the control colour; the key is clear
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"ShineColor", [&] { button->SetShineColor(clAqua); }},
        {"ActiveImage", [&] { button->SetActiveImage(aiXorLight); }},
        {"SystemShineColor", [&] { button->SetShineColor(clHighlight); }},
        {"Palette",
         [&] {
             QPalette pal = QApplication::palette();
             pal.setColor(QPalette::Highlight, QColor(1, 200, 3));
             QApplication::setPalette(pal);
         }},
        {"Glyph",
         [&] {
             button->SetGlyph(Picture(4, 4, kOliveDib, {{{1, 1}, Rgb(200, 100, 50)}}));
         }},
        {"Leave",
         [&] {
             button->SetUpImage(diAlphaHalfTrans);
             QEvent leave(QEvent::Leave);
             QApplication::sendEvent(button, &leave);
         }},
        {"FaceColour", [&] { button->Colors()->SetColor(clRed); }},
        {"MonoGlyph", [&] { button->SetGlyph(mono); }},
        {"ControlColour", [&] { button->SetColor(clBlue); }},
    };
    button->SetGlyph(Picture(4, 4, kOliveDib, {{{1, 1}, Rgb(10, 20, 30)}}));
    button->SetActiveImage(aiHalfLight);
    Hover();
    QRgb before = Pixel(Grab(), 11, 11);
    for (const auto& [name, change] : steps) {
        SCOPED_TRACE(name);
        change();
        const QRgb painted = Pixel(Grab(), 11, 11);
        EXPECT_EQ(painted, Pixel(button->CreateStateImage().Bitmap, 1, 1));
        EXPECT_NE(painted, before);
        before = painted;
    }
}

} // namespace
