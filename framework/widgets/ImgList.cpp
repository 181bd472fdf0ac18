#include "ImgList.h"

#include <QPainter>

TCustomImageList::TCustomImageList(QObject* owner, int width, int height)
    : QObject(owner), FWidth(std::max(width, 0)), FHeight(std::max(height, 0)) {}

QImage TCustomImageList::Normalised(const QImage& image) const {
    QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (img.size() != QSize(FWidth, FHeight))
        img = img.scaled(FWidth, FHeight);
    return img;
}

int TCustomImageList::Add(const QImage& image) {
    FImages.push_back(Normalised(image));
    return Count() - 1;
}

int TCustomImageList::AddMasked(const QImage& image, QRgb maskColor) {
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] & RGB_MASK) == (maskColor & RGB_MASK))
                row[x] = 0;
    }
    return Add(img);
}

void TCustomImageList::Clear() {
    FImages.clear();
}

void TCustomImageList::Draw(QPainter& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count())
        return;
    const QImage& img = FImages[size_t(index)];
    if (enabled) {
        canvas.drawImage(x, y, img);
        return;
    }
    QImage grey = img;
    for (int row = 0; row < grey.height(); ++row) {
        auto* p = reinterpret_cast<QRgb*>(grey.scanLine(row));
        for (int col = 0; col < grey.width(); ++col) {
            const int v = qGray(p[col]);
            p[col] = qRgba(v, v, v, qAlpha(p[col]));
        }
    }
    canvas.drawImage(x, y, grey);
}
