// A shine button on a shown host with a pinned palette, and pixel helpers.
#pragma once

#include "ShineSpdBtn.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

// Known colours for the palette roles the button resolves.
inline const QColor kFace(200, 200, 200), kLight(250, 250, 250), kDark(100, 100, 100),
    kShadow(10, 20, 30), kHighlight(0, 0, 120), kHighlightText(240, 230, 220);

inline QRgb Rgb(TColor c) {
    return ColorToDibRGB(c);
}
inline QRgb Rgb(int r, int g, int b) {
    return QRgb(r << 16 | g << 8 | b);
}
inline QRgb Pixel(const QImage& img, int x, int y) {
    return img.pixel(x, y) & RGB_MASK;
}

// Names a data row's test after the row's Name.
template <typename Row> std::string RowName(const testing::TestParamInfo<Row>& info) {
    return info.param.Name;
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
        // The cursor starts away from every button.
        QCursor::setPos(host.mapToGlobal(QPoint(190, 90)));
        host.resize(200, 100);
        host.move(0, 0);
        delete button; // a test may start over with a fresh button
        button = new TShineSpeedButton(&host);
        button->move(10, 10);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    QImage Grab(TShineSpeedButton* b = nullptr) {
        return (b ? b : button)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // A synthetic enter, as the window system reports it.
    void Hover(TShineSpeedButton* b = nullptr) {
        QEnterEvent e(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QApplication::sendEvent(b ? b : button, &e);
    }

    // A real press and release at p, with the cursor moved there first.
    void ClickAt(TShineSpeedButton* b, QPoint p = QPoint(12, 12)) {
        QTest::mouseMove(b, p);
        QTest::mouseClick(b, Qt::LeftButton, {}, p);
    }

    QWidget host;
    TShineSpeedButton* button = nullptr;
};
