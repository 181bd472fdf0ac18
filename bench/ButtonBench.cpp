// Painting a toolbar shine button and deriving a lit picture, each beside
// the plain Qt floor for the same pixels measured in the same run.
#include "Application.h"
#include "Graphics.h"
#include "ShineSpdBtn.h"

#include <QEnterEvent>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

// A main-window toolbar button: silver to olive, bold Mincho caption.
TShineSpeedButton* ToolbarButton() {
    static QWidget* host = [] {
        auto* w = new QWidget;
        w->resize(100, 60);
        return w;
    }();
    auto* b = new TShineSpeedButton(host);
    b->SetCaption(QStringLiteral("換"));
    b->Colors()->SetColor(clSilver);
    b->Colors()->SetGradColor(clOlive);
    b->Colors()->SetGradation(true);
    b->Colors()->SetGradVertical(true);
    b->PressedColors()->SetColor(clBtnHighlight);
    TFont font(QStringLiteral("ＭＳ 明朝"), 15, clRed, fsBold);
    font.SetCharset(SHIFTJIS_CHARSET);
    b->Font()->Assign(font);
    TFont active(QStringLiteral("ＭＳ ゴシック"), 17, clRed);
    active.SetCharset(SHIFTJIS_CHARSET);
    b->ActiveFont()->Assign(active);
    return b;
}

void Hover(QWidget* w) {
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(w, &e);
}

// The caption's font as the floors draw it.
QFont FloorFont() {
    return TFont(QStringLiteral("ＭＳ 明朝"), 15, clRed, fsBold).ToQFont();
}

// The button's own paint, reached through the widget's paint event; Arg 1
// paints it hot. The button is deleted afterwards.
void PaintButton(benchmark::State& state, TShineSpeedButton* b) {
    if (state.range(0) == 1)
        Hover(b);
    QImage target(b->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        b->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(state.range(0) == 1 ? "hot" : "up");
    delete b;
}

void BM_PaintToolbarButton(benchmark::State& state) {
    PaintButton(state, ToolbarButton());
}
BENCHMARK(BM_PaintToolbarButton)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A fill, the picture (when there is one) and the caption drawn with QPainter
// straight on an image of the button's size.
void PaintFloor(benchmark::State& state, QSize size, const QImage& picture, QRect caption) {
    const QFont font = FloorFont();
    QImage target(size, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.fillRect(target.rect(), QColor(192, 192, 192));
        if (!picture.isNull())
            p.drawImage(6, 4, picture);
        p.setFont(font);
        p.setPen(Qt::red);
        p.drawText(caption, Qt::AlignCenter, QStringLiteral("換"));
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

// Floor: one fill and the caption.
void BM_PaintFloor_FillAndText(benchmark::State& state) {
    PaintFloor(state, QSize(25, 25), QImage(), QRect(0, 0, 25, 25));
}
BENCHMARK(BM_PaintFloor_FillAndText)->Unit(benchmark::kMicrosecond);

// Floor: the same fill and text in a plain widget's paint event, reached
// through the same render call as the button.
class TPlainWidget : public QWidget {
public:
    using QWidget::QWidget;
    QFont Font = FloorFont();

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(192, 192, 192));
        p.setFont(Font);
        p.setPen(Qt::red);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("換"));
    }
};

void BM_PaintFloor_PlainWidget(benchmark::State& state) {
    QWidget host;
    auto* w = new TPlainWidget(&host);
    w->setAttribute(Qt::WA_OpaquePaintEvent);
    w->resize(25, 25);
    QImage target(25, 25, QImage::Format_RGB32);
    for (auto _ : state) {
        w->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintFloor_PlainWidget)->Unit(benchmark::kMicrosecond);

// A toolbar button with a 16 by 16 picture beside its caption: every paint
// draws the picture derived for the state.
QImage Picture16() {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    QPainter p(&img);
    p.fillRect(3, 3, 10, 10, QColor(0, 0, 160));
    return img;
}

void BM_PaintGlyphButton(benchmark::State& state) {
    TShineSpeedButton* b = ToolbarButton();
    b->resize(48, 25);
    b->SetGlyph(Picture16());
    PaintButton(state, b);
}
BENCHMARK(BM_PaintGlyphButton)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Floor: a fill, the picture and the caption.
void BM_PaintFloor_FillPictureAndText(benchmark::State& state) {
    PaintFloor(state, QSize(48, 25), Picture16(), QRect(26, 0, 22, 25));
}
BENCHMARK(BM_PaintFloor_FillPictureAndText)->Unit(benchmark::kMicrosecond);

// A 64 by 64 picture: a filled circle on an olive background.
QImage Picture64() {
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    QPainter p(&img);
    p.setBrush(QColor(0, 0, 160));
    p.setPen(Qt::NoPen);
    p.drawEllipse(8, 8, 48, 48);
    return img;
}

void BM_FrameLight2_64(benchmark::State& state) {
    TShineSpeedButton* b = ToolbarButton();
    b->SetGlyph(Picture64());
    b->SetActiveImage(aiFrameLight2);
    Hover(b);
    if (b->State() != stActive) {
        state.SkipWithError("the button did not turn hot");
        return;
    }
    for (auto _ : state) {
        TStateImage r = b->CreateStateImage();
        benchmark::DoNotOptimize(r.Bitmap.constBits());
    }
    delete b;
}
BENCHMARK(BM_FrameLight2_64)->Unit(benchmark::kMicrosecond);

// Floor: copying the picture and one pass comparing each pixel with the key.
void BM_FrameLightFloor_CopyAndScan(benchmark::State& state) {
    const QImage src = Picture64();
    for (auto _ : state) {
        QImage r = src.copy();
        const QRgb key = r.pixel(0, 63);
        int keys = 0;
        for (int y = 0; y < 64; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(r.constScanLine(y));
            for (int x = 0; x < 64; ++x)
                keys += row[x] == key;
        }
        benchmark::DoNotOptimize(keys);
        benchmark::DoNotOptimize(r.constBits());
    }
}
BENCHMARK(BM_FrameLightFloor_CopyAndScan)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
