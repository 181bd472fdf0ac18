#include "ShineSpdBtn.h"

#include "SysUtils.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Known colours for the palette roles the button resolves.
const QColor kFace(200, 200, 200), kLight(250, 250, 250), kDark(100, 100, 100), kShadow(10, 20, 30),
    kHighlight(0, 0, 120), kHighlightText(240, 230, 220);

QRgb Rgb(TColor c) {
    return ColorToDibRGB(c);
}
QRgb Pixel(const QImage& img, int x, int y) {
    return img.pixel(x, y) & RGB_MASK;
}

QRgb Band(QRgb c1, QRgb c2, int i, int n) {
    auto ch = [&](int s) {
        const int a = int((c1 >> s) & 0xFF), b = int((c2 >> s) & 0xFF);
        return QRgb((b - a) * i / n + a) << s;
    };
    return ch(16) | ch(8) | ch(0);
}

class ShineButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        QPalette pal;
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            pal.setColor(group, QPalette::Button, kFace);
            pal.setColor(group, QPalette::Light, kLight);
            pal.setColor(group, QPalette::Dark, kDark);
            pal.setColor(group, QPalette::Shadow, kShadow);
            pal.setColor(group, QPalette::Highlight, kHighlight);
            pal.setColor(group, QPalette::HighlightedText, kHighlightText);
        }
        QApplication::setPalette(pal);
        host.resize(200, 100);
        button = new TShineSpeedButton(&host);
        button->move(10, 10);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    QImage Grab() { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Bounding box of the pixels that differ from the face colour, frame excluded.
    QRect Ink(const QImage& img, QRgb face) {
        QRect box;
        for (int y = 2; y < img.height() - 2; ++y)
            for (int x = 2; x < img.width() - 2; ++x)
                if (Pixel(img, x, y) != face)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    QRect ExpectedCaption(const TFont& font) {
        const QRect m = QFontMetrics(font.ToQFont())
                            .boundingRect(QRect(0, 0, button->width(), 0),
                                          Qt::AlignLeft | Qt::AlignTop, button->Caption());
        return QRect((button->width() - m.width()) / 2, (button->height() - m.height()) / 2,
                     m.width(), m.height());
    }

    void Hover() {
        QEnterEvent e(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QApplication::sendEvent(button, &e);
    }

    QWidget host;
    TShineSpeedButton* button = nullptr;
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

TEST_F(ShineButtonTest, NewButtonDefaultsAndTextProperties) {
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

TEST_F(ShineButtonTest, VerticalGradientFaceAndRaisedFrame) {
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

TEST_F(ShineButtonTest, HorizontalAndSolidFaces) {
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

TEST_F(ShineButtonTest, CaptionFollowsStateFontsAndOffsets) {
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

TEST_F(ShineButtonTest, PressedLookIsSolidAndSunken) {
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

TEST_F(ShineButtonTest, OnClickOnlyForLeftPressAndReleaseInside) {
    int clicks = 0;
    QObject* sender = nullptr;
    button->OnClick = [&](QObject* s) { ++clicks, sender = s; };

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(sender, button);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseMove(button, QPoint(40, 40));
    EXPECT_EQ(button->State(), stUp);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(clicks, 1);

    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);

    button->SetEnabled(false);
    EXPECT_EQ(button->State(), stDisabled);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(clicks, 1);
    button->SetEnabled(true);
    EXPECT_EQ(button->State(), stUp);
}

TEST_F(ShineButtonTest, ClickDownHookShowsPressedLookAndRestoresIt) {
    button->SetClickDownHook(true);
    TShineState seen = stUp;
    button->OnClick = [&](QObject*) {
        seen = button->State();
        throw Exception(QStringLiteral("x"));
    };
    EXPECT_THROW(button->Click(), Exception);
    EXPECT_EQ(seen, stActiveDown);
    EXPECT_EQ(button->State(), stUp);
}

TEST_F(ShineButtonTest, SettersRepaintOnlyOnChange) {
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

} // namespace
