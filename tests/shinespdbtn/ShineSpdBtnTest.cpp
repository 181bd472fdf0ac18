#include "ShineFixture.h"

#include "SysUtils.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

QRgb Band(QRgb c1, QRgb c2, int i, int n) {
    auto ch = [&](int s) {
        const int a = int((c1 >> s) & 0xFF), b = int((c2 >> s) & 0xFF);
        return QRgb((b - a) * i / n + a) << s;
    };
    return ch(16) | ch(8) | ch(0);
}

// Bounding box of the pixels that differ from the face colour, frame excluded.
QRect Ink(const QImage& img, QRgb face) {
    QRect box;
    for (int y = 2; y < img.height() - 2; ++y)
        for (int x = 2; x < img.width() - 2; ++x)
            if (Pixel(img, x, y) != face)
                box |= QRect(x, y, 1, 1);
    return box;
}

class ShinePaintTest : public ShineButtonTest {
protected:
    QRect ExpectedCaption(const TFont& font) {
        const QRect m = QFontMetrics(font.ToQFont())
                            .boundingRect(QRect(0, 0, button->width(), 0),
                                          Qt::AlignLeft | Qt::AlignTop, button->Caption());
        return QRect((button->width() - m.width()) / 2, (button->height() - m.height()) / 2,
                     m.width(), m.height());
    }
};

TEST(ShineBtnColorsTest, DefaultsChangeNotificationAndAssign) {
    TShineBtnColors a, b;
    EXPECT_EQ(a.Color(), clBtnFace);
    EXPECT_EQ(a.Highlight(), clBtnHighlight);
    EXPECT_EQ(a.Shadow(), clBtnShadow);
    EXPECT_EQ(a.DarkShadow(), TColor(0x80000006));
    EXPECT_EQ(a.GradColor(), clBlue);
    EXPECT_FALSE(a.GradVertical());
    EXPECT_FALSE(a.Gradation());

    int changes = 0;
    QObject* sender = nullptr;
    b.OnChange = [&](QObject* s) { ++changes, sender = s; };
    b.SetColor(clBtnFace);
    b.SetGradation(false);
    EXPECT_EQ(changes, 0);
    b.SetGradation(true);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(sender, &b);

    a.SetColor(clRed), a.SetHighlight(clLime), a.SetShadow(clNavy), a.SetDarkShadow(clTeal);
    a.SetGradColor(clOlive), a.SetGradVertical(true);
    b.Assign(&a);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(b.Color(), clRed);
    EXPECT_EQ(b.Highlight(), clLime);
    EXPECT_EQ(b.Shadow(), clNavy);
    EXPECT_EQ(b.DarkShadow(), clTeal);
    EXPECT_EQ(b.GradColor(), clOlive);
    EXPECT_TRUE(b.GradVertical());
    EXPECT_FALSE(b.Gradation());

    TShineBtnColors c;
    int cChanges = 0;
    c.OnChange = [&](QObject*) { ++cChanges; };
    b.AssignTo(&c);
    EXPECT_EQ(cChanges, 1);
    EXPECT_EQ(c.GradColor(), clOlive);
}

TEST(ShineBtnColorsTest, AssignFromOtherClassesIsRefusedUnchanged) {
    TShineBtnColors a;
    a.SetColor(clRed);
    QObject other;
    auto message = [](auto&& act) {
        try {
            act();
        } catch (const EConvertError& e) {
            return e.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message([&] { a.Assign(&other); }),
              QStringLiteral("QObject を TShineBtnColors に代入することはできません"));
    EXPECT_EQ(message([&] { a.Assign(nullptr); }),
              QStringLiteral("nil を TShineBtnColors に代入することはできません"));
    EXPECT_EQ(message([&] { a.AssignTo(&other); }),
              QStringLiteral("TShineBtnColors を QObject に代入することはできません"));
    EXPECT_EQ(a.Color(), clRed);
}

// A form writes Colors.Color always, and other values only off their default.
TEST_F(ShinePaintTest, StoredFormWritesOnlyValuesOffTheirDefault) {
    TShineBtnColors* c = button->Colors();
    EXPECT_TRUE(c->IsStored("Color"));
    for (const char* name :
         {"Highlight", "Shadow", "DarkShadow", "GradColor", "GradVertical", "Gradation"})
        EXPECT_FALSE(c->IsStored(name)) << name;
    c->SetGradColor(clOlive);
    EXPECT_TRUE(c->IsStored("GradColor"));

    for (const char* name : {"GroupIndex", "ShowAccelChar", "Alignment", "AlMargin", "Down",
                             "FrameType", "ActiveImage", "DisabledShadow", "ShineColor",
                             "FontShadow", "Layout", "Margin", "Spacing", "Glyph"})
        EXPECT_FALSE(button->IsStored(name)) << name;
    button->SetSpacing(5);
    button->SetFrameType(ftFlatFrame);
    button->SetShowAccelChar(false);
    button->SetFontShadow(clRed);
    for (const char* name : {"Spacing", "FrameType", "ShowAccelChar", "FontShadow", "Caption"})
        EXPECT_TRUE(button->IsStored(name)) << name;
}

TEST_F(ShinePaintTest, NewButtonDefaultsAndTextProperties) {
    EXPECT_EQ(button->size(), QSize(25, 25));
    EXPECT_EQ(button->State(), stUp);
    EXPECT_TRUE(button->Caption().isEmpty());
    EXPECT_TRUE(button->Glyph().isNull());
    EXPECT_EQ(button->Colors()->Color(), clBtnFace);
    EXPECT_EQ(button->ActiveColors()->Color(), clHighlightText);
    EXPECT_EQ(button->PressedColors()->Color(), clBtnHighlight);
    EXPECT_EQ(button->Font()->Color(), clBtnText);
    EXPECT_EQ(button->ActiveFont()->Color(), clHighlight);
    EXPECT_EQ(button->FrameType(), ftNormalFrame);
    EXPECT_EQ(button->ActiveImage(), aiFrameLight);
    EXPECT_EQ(button->ShineColor(), clYellow);
    EXPECT_EQ(button->Spacing(), 4);
    EXPECT_EQ(button->Margin(), -1);

    button->SetCaption(QStringLiteral("明"));
    EXPECT_EQ(button->Caption(), QStringLiteral("明"));
    button->SetHint(QStringLiteral("ゴシックor明朝"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("ゴシックor明朝"));
    EXPECT_EQ(button->statusTip(), QStringLiteral("ゴシックor明朝"));
    EXPECT_EQ(button->Hint(), QStringLiteral("ゴシックor明朝"));
}

TEST_F(ShinePaintTest, VerticalGradientFaceAndRaisedFrame) {
    button->Colors()->SetColor(clSilver);
    button->Colors()->SetGradColor(clOlive);
    button->Colors()->SetGradation(true);
    button->Colors()->SetGradVertical(true);
    const QImage img = Grab();
    const int w = 25, h = 25;
    for (int y = 1; y < h - 2; ++y)
        EXPECT_EQ(Pixel(img, 5, y), Band(Rgb(clSilver), Rgb(clOlive), y, h)) << "row " << y;
    // The frame's lines stop short of their ends, so two corners show the face.
    EXPECT_EQ(Pixel(img, w - 1, 0), Rgb(clSilver));
    EXPECT_EQ(Pixel(img, 0, h - 1), qRgb(131, 131, 8) & RGB_MASK);
    for (int i = 0; i < w - 1; ++i) {
        EXPECT_EQ(Pixel(img, i, 0), kLight.rgb() & RGB_MASK) << i;
        EXPECT_EQ(Pixel(img, 0, i), kLight.rgb() & RGB_MASK) << i;
    }
    for (int i = 1; i < w; ++i) {
        EXPECT_EQ(Pixel(img, i, h - 1), kShadow.rgb() & RGB_MASK) << i;
        EXPECT_EQ(Pixel(img, w - 1, i), kShadow.rgb() & RGB_MASK) << i;
    }
    for (int i = 1; i < w - 1; ++i) {
        EXPECT_EQ(Pixel(img, i, h - 2), kDark.rgb() & RGB_MASK) << i;
        EXPECT_EQ(Pixel(img, w - 2, i), kDark.rgb() & RGB_MASK) << i;
    }
}

TEST_F(ShinePaintTest, HorizontalAndSolidFaces) {
    button->Colors()->SetColor(clRed);
    button->Colors()->SetGradColor(clBlue);
    button->Colors()->SetGradation(true);
    QImage img = Grab();
    for (int x = 1; x < 23; ++x) {
        EXPECT_EQ(Pixel(img, x, 3), Band(Rgb(clRed), Rgb(clBlue), x, 25)) << x;
        EXPECT_EQ(Pixel(img, x, 20), Pixel(img, x, 3)) << x;
    }
    button->Colors()->SetGradation(false);
    img = Grab();
    EXPECT_EQ(Pixel(img, 3, 3), Rgb(clRed));
    EXPECT_EQ(Pixel(img, 20, 20), Rgb(clRed));
}

TEST_F(ShinePaintTest, CaptionFollowsStateFontsAndOffsets) {
    InstallFontSubstitutions();
    button->SetCaption(QStringLiteral("換"));
    button->Colors()->SetColor(clSilver);
    button->PressedColors()->SetColor(clSilver);
    button->Font()->Assign(TFont(QStringLiteral("ＭＳ 明朝"), 15, clRed, fsBold));
    button->ActiveFont()->Assign(TFont(QStringLiteral("ＭＳ ゴシック"), 17, clBlue));
    auto hasInk = [](const QImage& img, const QRect& r, QRgb colour) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (Pixel(img, x, y) == colour)
                    return true;
        return false;
    };

    QImage up = Grab();
    QRect ink = Ink(up, Rgb(clSilver));
    // Synthetic emboldening may overhang the advance by one pixel on the right.
    EXPECT_TRUE(ExpectedCaption(*button->Font()).adjusted(0, 0, 1, 0).contains(ink));
    EXPECT_TRUE(hasInk(up, ink, Rgb(clRed)));

    Hover();
    ASSERT_EQ(button->State(), stActive);
    QImage hot = Grab();
    QRect hotInk = Ink(hot, Rgb(clSilver));
    EXPECT_TRUE(ExpectedCaption(*button->ActiveFont()).contains(hotInk));
    EXPECT_TRUE(hasInk(hot, hotInk, Rgb(clBlue)));
    EXPECT_FALSE(hasInk(hot, hotInk, Rgb(clRed)));

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    ASSERT_EQ(button->State(), stActiveDown);
    QImage pressed = Grab();
    EXPECT_EQ(Ink(pressed, Rgb(clSilver)), hotInk.translated(1, 1));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(12, 12));
}

TEST_F(ShinePaintTest, PressedLookIsSolidAndSunken) {
    button->Colors()->SetColor(clSilver);
    button->Colors()->SetGradation(true);
    button->PressedColors()->SetColor(clBtnHighlight);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    const QImage img = Grab();
    const QRgb light = kLight.rgb() & RGB_MASK;
    EXPECT_EQ(Pixel(img, 5, 5), light);
    EXPECT_EQ(Pixel(img, 20, 20), light);
    EXPECT_EQ(Pixel(img, 5, 0), kShadow.rgb() & RGB_MASK); // dark shadow outside
    EXPECT_EQ(Pixel(img, 5, 1), kDark.rgb() & RGB_MASK);   // shadow inside it
    EXPECT_EQ(Pixel(img, 5, 24), light);                   // highlight at the bottom
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(12, 12));
}

TEST_F(ShinePaintTest, SettersRepaintOnlyOnChange) {
    struct PaintCounter : QObject {
        int Count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            Count += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    button->installEventFilter(&counter);
    auto paintsAfter = [&](auto&& act) {
        QCoreApplication::processEvents();
        counter.Count = 0;
        act();
        QCoreApplication::processEvents();
        return counter.Count;
    };
    EXPECT_EQ(paintsAfter([&] { button->SetSpacing(4); }), 0);
    EXPECT_GT(paintsAfter([&] { button->SetSpacing(5); }), 0);
    EXPECT_EQ(paintsAfter([&] { button->SetCaption(QString()); }), 0);
    EXPECT_GT(paintsAfter([&] { button->SetCaption(QStringLiteral("新")); }), 0);
    EXPECT_EQ(paintsAfter([&] { button->Font()->SetColor(clBtnText); }), 0);
    EXPECT_GT(paintsAfter([&] { button->Font()->SetColor(clWhite); }), 0);
    EXPECT_GT(paintsAfter([&] { button->ActiveFont()->SetHeight(30); }), 0);
    EXPECT_EQ(paintsAfter([&] { button->PressedColors()->SetColor(clBtnHighlight); }), 0);
    EXPECT_GT(paintsAfter([&] { button->PressedColors()->SetColor(clWhite); }), 0);
    EXPECT_GT(paintsAfter([&] { button->SetFontShadow(clNone); }), 0); // always repaints
}

// Each state's colour set (face and frame), caption font, frame switch and
// content offset, on a 60 by 30 button with an image beside its caption.
struct StateRow {
    const char* Name;
    friend void PrintTo(const StateRow& row, std::ostream* os) { *os << row.Name; }
    TShineState State;
    bool ActiveColorsEnabled;
    char Set;       // C Colors, A ActiveColors, P PressedColors
    bool Sunken;    // the frame, and the content moved by (1, 1)
    TColor Caption; // Font red, ActiveFont blue, disabled navy
    char FrameFlag; // U UpFrame, D DownFrame, A ActiveFrame
};

const StateRow kStateRows[] = {
    {"Up", stUp, true, 'C', false, clRed, 'U'},
    {"Hot", stActive, false, 'C', false, clBlue, 'A'},
    {"HotActiveColors", stActive, true, 'A', false, clBlue, 'A'},
    {"Pressed", stActiveDown, false, 'P', true, clBlue, 'A'},
    {"PressedActiveColors", stActiveDown, true, 'A', true, clBlue, 'A'},
    {"Down", stDown, true, 'P', true, clRed, 'D'},
    {"Disabled", stDisabled, true, 'C', false, clNavy, 'U'},
};

class ShineStateLookTest : public ShinePaintTest, public testing::WithParamInterface<StateRow> {
protected:
    void EnterState(TShineState s) {
        if (s == stDown) {
            button->SetGroupIndex(1);
            button->SetDown(true);
        } else if (s == stActive || s == stActiveDown) {
            QTest::mouseMove(button, QPoint(30, 15));
            if (s == stActiveDown)
                QTest::mousePress(button, Qt::LeftButton, {}, QPoint(30, 15));
        } else if (s == stDisabled) {
            button->SetEnabled(false);
        }
    }
    QPoint ImageAt() {
        const QImage img = Grab();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Pixel(img, x, y) == Rgb(1, 2, 3))
                    return {x, y};
        return {-1, -1};
    }
};

TEST_P(ShineStateLookTest, ColoursFontFrameAndOffset) {
    const StateRow& row = GetParam();
    InstallFontSubstitutions();
    button->resize(60, 30);
    const TColor faces[] = {clSilver, clAqua, clWhite}, lights[] = {clLime, clFuchsia, clYellow},
                 darks[] = {clMaroon, clPurple, clTeal};
    TShineBtnColors* sets[] = {button->Colors(), button->ActiveColors(), button->PressedColors()};
    for (int i = 0; i < 3; ++i) {
        sets[i]->SetColor(faces[i]);
        sets[i]->SetHighlight(lights[i]);
        sets[i]->SetDarkShadow(darks[i]);
    }
    const int set = row.Set == 'C' ? 0 : row.Set == 'A' ? 1 : 2;
    button->SetActiveColorsEnabled(row.ActiveColorsEnabled);
    button->Font()->Assign(TFont(QStringLiteral("ＭＳ ゴシック"), 15, clRed, fsBold));
    button->ActiveFont()->Assign(TFont(QStringLiteral("ＭＳ ゴシック"), 15, clBlue, fsBold));
    button->SetDisabledShadow(clNavy);
    button->SetActiveImage(aiNoLight);
    button->SetCaption(QStringLiteral("換"));
    QImage glyph(6, 6, QImage::Format_RGB32);
    glyph.fill(qRgb(1, 2, 3));
    glyph.setPixel(0, 5, ToQColor(clOlive).rgb());
    button->SetGlyph(glyph);
    const QPoint upImage = ImageAt();

    EnterState(row.State);
    ASSERT_EQ(button->State(), row.State);
    QImage img = Grab();
    EXPECT_EQ(Pixel(img, 3, 3), Rgb(faces[set]));
    EXPECT_EQ(Pixel(img, 0, 0), Rgb(row.Sunken ? darks[set] : lights[set]));
    bool caption = false;
    for (int y = 0; y < 30 && !caption; ++y)
        for (int x = 0; x < 60 && !caption; ++x)
            caption = Pixel(img, x, y) == Rgb(row.Caption);
    EXPECT_TRUE(caption);
    if (row.State != stDisabled) {
        EXPECT_EQ(ImageAt(), upImage + (row.Sunken ? QPoint(1, 1) : QPoint()));
    }

    // Only the state's own switch hides the frame.
    button->SetUpFrame(row.FrameFlag != 'U');
    button->SetDownFrame(row.FrameFlag != 'D');
    button->SetActiveFrame(row.FrameFlag != 'A');
    img = Grab();
    EXPECT_EQ(Pixel(img, 0, 0), Rgb(faces[set]));
    button->SetUpFrame(row.FrameFlag == 'U');
    button->SetDownFrame(row.FrameFlag == 'D');
    button->SetActiveFrame(row.FrameFlag == 'A');
    EXPECT_EQ(Pixel(Grab(), 0, 0), Rgb(row.Sunken ? darks[set] : lights[set]));
    if (row.State == stActiveDown)
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(30, 15));
}

INSTANTIATE_TEST_SUITE_P(Rows, ShineStateLookTest, testing::ValuesIn(kStateRows),
                         RowName<StateRow>);

// The frame lines as listed for each kind, drawn here with platform pen
// semantics (a line stops one pixel short of its end), later lines winning.
struct FrameLine {
    char Pen; // H highlight, S shadow, D dark shadow, O enclosing (Colors.DarkShadow)
    QPoint A, B;
};

std::vector<FrameLine> FrameLines(TFrameType type, bool sunken, int w, int h) {
    const int r = w - 1, b = h - 1;
    switch (type) {
    case ftFlatFrame:
        return {{sunken ? 'S' : 'H', {0, 0}, {r, 0}},
                {sunken ? 'S' : 'H', {0, 0}, {0, b}},
                {sunken ? 'H' : 'S', {r, b}, {0, b}},
                {sunken ? 'H' : 'S', {r, b}, {r, 0}}};
    case ftNormalFrame:
        if (sunken)
            return {{'S', {1, 1}, {r, 1}}, {'S', {1, 1}, {1, b}}, {'D', {0, 0}, {r, 0}},
                    {'D', {0, 0}, {0, b}}, {'H', {r, b}, {0, b}}, {'H', {r, b}, {r, 0}}};
        return {{'S', {w - 2, h - 2}, {0, h - 2}},
                {'S', {w - 2, h - 2}, {w - 2, 0}},
                {'D', {r, b}, {0, b}},
                {'D', {r, b}, {r, 0}},
                {'H', {0, 0}, {r, 0}},
                {'H', {0, 0}, {0, b}}};
    case ftEnclosedFrame:
        return {{sunken ? 'S' : 'H', {1, 1}, {w - 2, 1}},
                {sunken ? 'S' : 'H', {1, 1}, {1, h - 2}},
                {sunken ? 'H' : 'S', {w - 2, h - 2}, {1, h - 2}},
                {sunken ? 'H' : 'S', {w - 2, h - 2}, {w - 2, 1}},
                {'O', {0, 0}, {0, b}},
                {'O', {0, b}, {r, b}},
                {'O', {r, b}, {r, 0}},
                {'O', {r, 0}, {0, 0}}};
    }
    return {};
}

void PenLine(QImage& img, QPoint a, QPoint b, QRgb c) {
    const QPoint step((b.x() > a.x()) - (b.x() < a.x()), (b.y() > a.y()) - (b.y() < a.y()));
    for (QPoint p = a; p != b; p += step)
        img.setPixel(p, c | 0xFF000000u);
}

struct FrameRow {
    const char* Name;
    friend void PrintTo(const FrameRow& row, std::ostream* os) { *os << row.Name; }
    TFrameType Type;
    bool Sunken;
};

class ShineFrameTest : public ShinePaintTest, public testing::WithParamInterface<FrameRow> {};

TEST_P(ShineFrameTest, FollowsTheLineList) {
    const auto [name, type, sunken] = GetParam();
    const int w = 25, h = 25;
    const TColor hi = RGBColor(250, 1, 1), sh = RGBColor(1, 250, 1), dk = RGBColor(1, 1, 250),
                 pressedDk = RGBColor(9, 9, 9), outer = RGBColor(250, 250, 1);
    for (TShineBtnColors* set : {button->Colors(), button->PressedColors()}) {
        set->SetColor(clSilver);
        set->SetHighlight(hi);
        set->SetShadow(sh);
        set->SetDarkShadow(dk);
    }
    // The enclosing rectangle always takes Colors.DarkShadow here.
    button->Colors()->SetDarkShadow(outer);
    button->PressedColors()->SetDarkShadow(pressedDk);
    button->SetFrameType(type);
    QImage want(w, h, QImage::Format_RGB32);
    want.fill(ToQColor(clSilver));
    for (const FrameLine& l : FrameLines(type, sunken, w, h)) {
        const TColor c = l.Pen == 'H'   ? hi
                         : l.Pen == 'S' ? sh
                         : l.Pen == 'O' ? outer
                         : sunken       ? pressedDk
                                        : (type == ftNormalFrame ? outer : dk);
        PenLine(want, l.A, l.B, Rgb(c));
    }
    if (sunken)
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    ASSERT_EQ(button->State(), sunken ? stActiveDown : stUp);
    const QImage got = Grab();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(Pixel(got, x, y), Pixel(want, x, y)) << x << "," << y;
    if (sunken)
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 40));
}

INSTANTIATE_TEST_SUITE_P(Rows, ShineFrameTest,
                         testing::Values(FrameRow{"FlatRaised", ftFlatFrame, false},
                                         FrameRow{"FlatSunken", ftFlatFrame, true},
                                         FrameRow{"NormalRaised", ftNormalFrame, false},
                                         FrameRow{"NormalSunken", ftNormalFrame, true},
                                         FrameRow{"EnclosedRaised", ftEnclosedFrame, false},
                                         FrameRow{"EnclosedSunken", ftEnclosedFrame, true}),
                         RowName<FrameRow>);

TEST_F(ShinePaintTest, HiddenInnerFrameHidesTheEnclosingRectangle) {
    button->SetFrameType(ftEnclosedFrame);
    button->SetDownFrame(false);
    button->Colors()->SetColor(clSilver);
    button->PressedColors()->SetColor(clSilver);
    button->SetGroupIndex(1);
    button->SetDown(true);
    ASSERT_EQ(button->State(), stDown);
    const QImage img = Grab();
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(Pixel(img, i, 0), Rgb(clSilver)) << i;
        EXPECT_EQ(Pixel(img, 24, i), Rgb(clSilver)) << i;
    }
}

// A 4 by 4 picture with one pixel at (1, 1) has its edges at (0..1, 0..1);
// centred in 25 by 25 it sits at (10, 10). The highlight pass lies one
// pixel down-right, the shadow pass on top in place.
TEST_F(ShinePaintTest, DisabledLookDrawsTheEdgeMaskTwice) {
    const TColor hi = RGBColor(255, 0, 0), sh = RGBColor(0, 0, 255);
    button->Colors()->SetColor(clSilver);
    button->SetDisabledHighlight(hi);
    button->SetDisabledShadow(sh);
    QImage glyph(4, 4, QImage::Format_RGB32);
    glyph.fill(ToQColor(clOlive));
    glyph.setPixel(1, 1, qRgb(1, 2, 3));
    button->SetGlyph(glyph);
    button->SetEnabled(false);
    const QImage img = Grab();
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 16; ++x) {
            const bool shadow = x >= 10 && x <= 11 && y >= 10 && y <= 11;
            const bool light = !shadow && x >= 11 && x <= 12 && y >= 11 && y <= 12;
            const QRgb want = shadow ? Rgb(sh) : light ? Rgb(hi) : Rgb(clSilver);
            EXPECT_EQ(Pixel(img, x, y), want) << x << "," << y;
        }
}

// Where the image and the caption rectangle start, from the caption's
// measured size t, for an 8 by 6 Glyph in a 60 by 40 button (Spacing 4).
struct Placement {
    QPoint Image, Text;
};

struct LayoutRow {
    const char* Name;
    friend void PrintTo(const LayoutRow& row, std::ostream* os) { *os << row.Name; }
    TButtonLayout Layout;
    int Margin;
    bool Caption;
    Placement (*At)(QSize t);
};

const LayoutRow kLayoutRows[] = {
    {"LeftCentred", blGlyphLeft, -1, false,
     [](QSize) {
         return Placement{{26, 17}, {}};
     }},
    {"LeftMargin", blGlyphLeft, 2, false,
     [](QSize) {
         return Placement{{2, 17}, {}};
     }},
    {"RightMargin", blGlyphRight, 2, false,
     [](QSize) {
         return Placement{{50, 17}, {}};
     }},
    {"TopMargin", blGlyphTop, 3, false,
     [](QSize) {
         return Placement{{26, 3}, {}};
     }},
    {"BottomMargin", blGlyphBottom, 3, false,
     [](QSize) {
         return Placement{{26, 31}, {}};
     }},
    // The caption comes first, then Spacing, then the image.
    {"RightCentredWithCaption", blGlyphRight, -1, true,
     [](QSize t) {
         const int x = (60 - (t.width() + 4 + 8)) / 2, y = (40 - t.height()) / 2;
         return Placement{{x + t.width() + 4, y + (t.height() - 6) / 2}, {x, y}};
     }},
    {"RightMarginWithCaption", blGlyphRight, 2, true,
     [](QSize t) {
         const int x = 60 - (t.width() + 4 + 8) - 2, y = (40 - t.height()) / 2;
         return Placement{{x + t.width() + 4, y + (t.height() - 6) / 2}, {x, y}};
     }},
    {"BottomCentredWithCaption", blGlyphBottom, -1, true,
     [](QSize t) {
         const int x = (60 - t.width()) / 2, y = (40 - (t.height() + 4 + 6)) / 2;
         return Placement{{x + (t.width() - 8) / 2, y + t.height() + 4}, {x, y}};
     }},
    {"BottomMarginWithCaption", blGlyphBottom, 3, true,
     [](QSize t) {
         const int x = (60 - t.width()) / 2, y = 40 - (t.height() + 4 + 6) - 3;
         return Placement{{x + (t.width() - 8) / 2, y + t.height() + 4}, {x, y}};
     }},
};

class ShineLayoutTest : public ShinePaintTest, public testing::WithParamInterface<LayoutRow> {
protected:
    // The image's pixels, and the caption's ink (anything else but the face).
    std::pair<QRect, QRect> Ink() {
        QRect image, text;
        const QImage img = Grab();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Pixel(img, x, y) == Rgb(1, 2, 3))
                    image |= QRect(x, y, 1, 1);
                else if (Pixel(img, x, y) != Rgb(clSilver))
                    text |= QRect(x, y, 1, 1);
        return {image, text};
    }
};

TEST_P(ShineLayoutTest, PlacesImageAndCaption) {
    const LayoutRow& row = GetParam();
    InstallFontSubstitutions();
    button->resize(60, 40);
    button->Colors()->SetColor(clSilver);
    button->SetUpFrame(false);
    button->Font()->Assign(TFont(QStringLiteral("ＭＳ ゴシック"), 15, clRed));
    const QString caption = QStringLiteral("題");
    const QSize t = QFontMetrics(button->Font()->ToQFont())
                        .boundingRect(QRect(0, 0, 60, 0), Qt::AlignLeft | Qt::AlignTop, caption)
                        .size();
    ASSERT_GT(t.width(), 8);
    ASSERT_GT(t.height(), 6);
    // The ink's offset inside its rectangle, from the caption alone centred.
    button->SetCaption(caption);
    const QPoint inkOffset =
        Ink().second.topLeft() - QPoint((60 - t.width()) / 2, (40 - t.height()) / 2);
    if (!row.Caption)
        button->SetCaption(QString());

    QImage glyph(8, 6, QImage::Format_RGB32);
    glyph.fill(qRgb(1, 2, 3));
    glyph.setPixel(0, 5, ToQColor(clOlive).rgb()); // the key pixel only
    button->SetGlyph(glyph);
    button->SetLayout(row.Layout);
    button->SetMargin(row.Margin);
    const Placement want = row.At(t);
    const auto [image, text] = Ink();
    EXPECT_EQ(image, QRect(want.Image, QSize(8, 6)));
    if (row.Caption) {
        EXPECT_EQ(text.topLeft(), want.Text + inkOffset);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ShineLayoutTest, testing::ValuesIn(kLayoutRows), RowName<LayoutRow>);

// Halving rounds toward zero: a 28 by 28 picture in 25 by 25 starts at
// (-1, -1), so the button's corner shows the picture's pixel (1, 1).
TEST_F(ShinePaintTest, ContentWiderThanTheButtonIsCentredTowardZero) {
    button->SetUpFrame(false);
    QImage glyph(28, 28, QImage::Format_RGB32);
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 28; ++x)
            glyph.setPixel(x, y, qRgb(x, y, 100));
    glyph.setPixel(0, 27, ToQColor(clOlive).rgb());
    button->SetGlyph(glyph);
    EXPECT_EQ(Pixel(Grab(), 0, 0), Rgb(1, 1, 100));
}

// Text ink keeps a fixed offset from its rectangle, so each case compares
// its ink with a reference whose caption rectangle is known.
TEST_F(ShinePaintTest, CaptionRectangleFromLayoutAndAlMargin) {
    InstallFontSubstitutions();
    button->Colors()->SetColor(clSilver);
    button->Font()->SetColor(clRed);
    button->SetUpFrame(false);
    auto captionInk = [&] {
        QRect ink;
        const QImage img = Grab();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Pixel(img, x, y) != Rgb(clSilver) && Pixel(img, x, y) != Rgb(1, 2, 3))
                    ink |= QRect(x, y, 1, 1);
        return ink;
    };
    const QFontMetrics fm(button->Font()->ToQFont());
    auto measured = [&](const QString& text) {
        return fm.boundingRect(QRect(0, 0, button->width(), 0), Qt::AlignLeft | Qt::AlignTop, text)
            .size();
    };

    // Caption only: centred; with the glyph on top the block is Spacing + th high.
    button->SetCaption(QStringLiteral("題"));
    const QSize t = measured(button->Caption());
    const QRect centred = captionInk();
    button->SetLayout(blGlyphTop);
    EXPECT_EQ(captionInk().top() - centred.top(),
              (25 - (4 + t.height())) / 2 + 4 - (25 - t.height()) / 2);
    EXPECT_EQ(captionInk().left(), centred.left());

    // A 100 pixel wide button; reference rectangle at the left edge.
    button->resize(100, 25);
    button->SetLayout(blGlyphLeft);
    button->SetMargin(0);
    const QString wide = QStringLiteral("WWWWWWWWWWWWWWWWWWWW");
    button->SetCaption(wide);
    const QRect atZero = captionInk();
    button->SetCaption(QStringLiteral("W"));
    const QRect oneAtZero = captionInk();

    // A 16 pixel Glyph, Margin 2, Spacing 4, AlMargin 3: the box is 22 to 97.
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(qRgb(1, 2, 3));
    button->SetGlyph(glyph);
    button->SetMargin(2);
    button->SetAlMargin(3);
    button->SetAlignment(taLeftJustify);
    button->SetCaption(wide);
    QRect ink = captionInk();
    EXPECT_EQ(ink.left(), 22 + atZero.left());
    EXPECT_LE(ink.right(), 96); // clipped to the box
    button->SetAlignment(taRightJustify);
    button->SetCaption(QStringLiteral("W"));
    EXPECT_EQ(captionInk().right(), 97 - measured(QStringLiteral("W")).width() + oneAtZero.right());

    // Glyph on top: the box spans the button less AlMargin on each side.
    button->SetGlyph(nullptr);
    button->SetLayout(blGlyphTop);
    button->SetAlMargin(10);
    button->SetAlignment(taLeftJustify);
    button->SetCaption(wide);
    ink = captionInk();
    EXPECT_EQ(ink.left(), 10 + atZero.left());
    EXPECT_LE(ink.right(), 89);
}

// Geometry from the ink (anything but the face), colours from pixels of
// full coverage.
TEST_F(ShinePaintTest, CaptionCopiesForShadowHighlightAndDisabled) {
    InstallFontSubstitutions();
    button->Colors()->SetColor(clSilver);
    button->SetCaption(QStringLiteral("換"));
    button->Font()->Assign(TFont(QStringLiteral("ＭＳ ゴシック"), 15, clRed, fsBold));
    button->SetUpFrame(false);
    auto ink = [&] { return Ink(Grab(), Rgb(clSilver)); };
    auto shows = [&](TColor c) {
        const QImage img = Grab();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Pixel(img, x, y) == Rgb(c))
                    return true;
        return false;
    };
    const QImage plainImage = Grab();
    const QRect plain = ink();
    ASSERT_FALSE(plain.isEmpty());
    button->SetFontShadow(clBlue);
    EXPECT_EQ(ink(), plain.adjusted(0, 0, 1, 1));
    EXPECT_TRUE(shows(clBlue));
    button->SetFontHighlight(clLime);
    EXPECT_EQ(ink(), plain.adjusted(-1, -1, 1, 1));
    EXPECT_TRUE(shows(clLime));
    EXPECT_TRUE(shows(clRed));
    button->SetFontShadow(clNone);
    EXPECT_EQ(ink(), plain.adjusted(-1, -1, 0, 0));

    // Disabled: DisabledHighlight down-right, DisabledShadow in place, nothing else.
    button->SetDisabledHighlight(clYellow);
    button->SetDisabledShadow(clNavy);
    button->SetEnabled(false);
    EXPECT_EQ(ink(), plain.adjusted(0, 0, 1, 1));
    EXPECT_TRUE(shows(clYellow));
    EXPECT_TRUE(shows(clNavy));
    EXPECT_FALSE(shows(clRed));
    EXPECT_FALSE(shows(clLime));
    // The highlight copy goes first: where the caption covers a pixel fully,
    // the shadow copy on top shows.
    const QImage disabled = Grab();
    int covered = 0, underneath = 0;
    for (int y = 0; y < disabled.height(); ++y)
        for (int x = 0; x < disabled.width(); ++x)
            if (Pixel(plainImage, x, y) == Rgb(clRed)) {
                ++covered;
                underneath += Pixel(disabled, x, y) != Rgb(clNavy);
            }
    EXPECT_GT(covered, 0);
    EXPECT_EQ(underneath, 0);
}

// The measuring pass takes "&" for a marker only with AccelCharDown; a
// left-justified caption starts where the measured width centres its box.
TEST_F(ShinePaintTest, MeasuringFollowsAccelCharDown) {
    InstallFontSubstitutions();
    button->resize(60, 25);
    button->Colors()->SetColor(clSilver);
    button->SetUpFrame(false);
    button->SetAlignment(taLeftJustify);
    const QString caption = QStringLiteral("&W");
    button->SetCaption(caption);
    const QFontMetrics fm(button->Font()->ToQFont());
    auto measured = [&](bool marker) {
        int flags = Qt::AlignLeft | Qt::AlignTop;
        if (marker)
            flags |= Qt::TextShowMnemonic;
        return fm.boundingRect(QRect(0, 0, 60, 0), flags, caption).width();
    };
    const int withMarker = measured(false), plain = measured(true);
    ASSERT_GT(withMarker, plain);
    const int left = Ink(Grab(), Rgb(clSilver)).left();
    button->SetAccelCharDown(true);
    EXPECT_EQ(Ink(Grab(), Rgb(clSilver)).left() - left, (60 - plain) / 2 - (60 - withMarker) / 2);
}

TEST_F(ShinePaintTest, TransparentButtonShowsItsParent) {
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, QColor(12, 34, 56));
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    button->Colors()->SetColor(clSilver);
    button->SetTransparent(true);
    EXPECT_FALSE(button->testAttribute(Qt::WA_OpaquePaintEvent));
    QImage img = host.grab().toImage();
    EXPECT_EQ(Pixel(img, 10 + 12, 10 + 12), Rgb(12, 34, 56));
    EXPECT_EQ(Pixel(img, 10, 10), kLight.rgb() & RGB_MASK); // the frame is drawn
    button->SetTransparent(false);
    EXPECT_TRUE(button->testAttribute(Qt::WA_OpaquePaintEvent));
    img = host.grab().toImage();
    EXPECT_EQ(Pixel(img, 10 + 12, 10 + 12), Rgb(clSilver));
}

} // namespace
