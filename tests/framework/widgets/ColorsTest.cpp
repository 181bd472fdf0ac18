#include "Colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

TEST(Colors, TextFormNamesTheTableColoursAndHexesTheRest) {
    int count = 0;
    ColorNames(&count);
    EXPECT_EQ(count, 42);
    EXPECT_EQ(ColorToString(clRed), "clRed");
    EXPECT_EQ(ColorToString(RGBColor(0, 255, 255)), "clAqua");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(clInfoBk), "clInfoBk");
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(ColorToString(RGBColor(255, 248, 220)), "$00DCF8FF");
    EXPECT_EQ(ColorToString(RGBColor(128, 128, 129)), "$00818080");
}

TEST(Colors, ReadingAcceptsNamesInAnyCaseAndNumbers) {
    EXPECT_EQ(StringToColor("clred"), clRed);
    EXPECT_EQ(StringToColor("CLBTNFACE"), clBtnFace);
    EXPECT_EQ(StringToColor("$000000FF"), clRed);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_FALSE(StringToColor("red").has_value());
    // Only ASCII letters fold: a Kelvin sign is no K.
    EXPECT_FALSE(StringToColor(QStringLiteral("clBlac\u212A")).has_value());
}

TEST(Colors, SystemColoursResolveThroughThePalette) {
    QPalette pal;
    pal.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    pal.setColor(QPalette::Active, QPalette::Base, QColor(4, 5, 6));
    const QPalette old = QGuiApplication::palette();
    QGuiApplication::setPalette(pal);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(1, 2, 3));
    EXPECT_EQ(ColorToRGB(clWindow), RGBColor(4, 5, 6));
    EXPECT_EQ(ToQColor(clOlive), QColor(128, 128, 0));
    QGuiApplication::setPalette(old);
}
