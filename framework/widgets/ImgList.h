// A list of equally sized pictures, drawn by index.
#pragma once

#include <QImage>
#include <QObject>
#include <vector>

class QPainter;

class TCustomImageList : public QObject {
    Q_OBJECT
public:
    explicit TCustomImageList(QObject* owner = nullptr, int width = 16, int height = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }

    // Adds a picture (scaled to the list's size when it differs); returns its index.
    int Add(const QImage& image);
    // Adds a picture whose pixels of maskColor (0xRRGGBB) are transparent.
    int AddMasked(const QImage& image, QRgb maskColor);
    void Clear();

    // Draws picture index at (x, y); a disabled picture is drawn greyed.
    // An index out of range draws nothing.
    void Draw(QPainter& canvas, int x, int y, int index, bool enabled = true) const;

private:
    QImage Normalised(const QImage& image) const;

    int FWidth;
    int FHeight;
    std::vector<QImage> FImages; // ARGB32_Premultiplied, FWidth x FHeight
};

class TImageList : public TCustomImageList {
    Q_OBJECT
public:
    using TCustomImageList::TCustomImageList;
};
