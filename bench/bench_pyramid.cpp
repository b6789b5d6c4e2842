// The picture's pyramid on a 16384 × 16384 sheet whose every tile is painted: every level made
// at the first read, with what it holds against the picture's tiles; and one pen sample with
// the repaint of what it touched, at 100 % (the layers composited, the pyramid only told) and
// at 25 % (level 2 brought up to date and drawn).
#include "BenchMain.h"
#include "Graphics.h"
#include "Picture.h"
#include "PicturePyramid.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {
constexpr int kSide = 16384;
constexpr int kBand = 256;
constexpr int kSamplesPerStroke = 200;
constexpr float kBrushWidth = 10.0f;
const QColor kPaper(250, 250, 245);

// The sheet painted band by band with opaque noise, once for every benchmark; straight into
// the layer, before anything has read the pyramid.
Picture &paintedPicture()
{
    static std::unique_ptr<Picture> picture = [] {
        auto p = std::make_unique<Picture>(Size {float(kSide), float(kSide)}, BgType::Plain);
        QImage noise(256, 256, QImage::Format_ARGB32_Premultiplied);
        QRandomGenerator rng(99);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, 0xff000000 | (rng.generate() & 0xffffff));
        for (int y = 0; y < kSide; y += kBand) {
            const Rect band(0, float(y), float(kSide), float(kBand));
            p->currentLayer()->paint(band, band, [&](QPainter &painter) {
                painter.fillRect(QRectF(0, y, kSide, kBand), QBrush(noise));
            });
        }
        return p;
    }();
    return *picture;
}

qint64 pictureTileBytes(const Picture &picture)
{
    const qint64 side = TiledImage::kTileSide;
    return qint64(picture.currentLayer()->image()->tileCount()) * side * side * 4;
}

// Reading the top level brings every level below it up to date.
void buildAll(PicturePyramid &pyramid)
{
    QImage top(pyramid.levelPixelWidth(PicturePyramid::kMaxLevels),
               pyramid.levelPixelHeight(PicturePyramid::kMaxLevels),
               QImage::Format_ARGB32_Premultiplied);
    pyramid.readPixels(PicturePyramid::kMaxLevels, QRect(0, 0, top.width(), top.height()), top, 0,
                       0);
}

void BM_FullBuild(benchmark::State &state)
{
    Picture &picture = paintedPicture();
    PicturePyramid &pyramid = picture.pyramid();
    for (auto _ : state) {
        pyramid.invalidateAll();
        buildAll(pyramid);
    }
    state.counters["tiles"] = double(pyramid.tileCount());
    state.counters["pyramid_MB"] = double(pyramid.bytes()) / (1 << 20);
    state.counters["picture_MB"] = double(pictureTileBytes(picture)) / (1 << 20);
    state.counters["pyramid_share"] = double(pyramid.bytes()) / double(pictureTileBytes(picture));
}

// A wandering pen in the middle of the sheet; a new stroke every few hundred samples.
class Pen
{
public:
    explicit Pen(Picture &picture)
        : mPicture(picture)
    {
    }

    // One segment painted; gives the sheet rectangle it touched.
    Rect sample()
    {
        if (mSamples++ % kSamplesPerStroke == 0)
            mSnapshot = mPicture.createUndoLayer(mPicture.currentLayer());
        mHeading += mRng.bounded(1.0) - 0.5;
        const Point from = mAt;
        mAt = {std::clamp(float(mAt.x + 3 * std::cos(mHeading)), 4096.0f, 12288.0f),
               std::clamp(float(mAt.y + 3 * std::sin(mHeading)), 4096.0f, 12288.0f)};
        const float r = kBrushWidth / 2 + 1;
        const Rect touched
            = integralRect({std::min(from.x, mAt.x) - r, std::min(from.y, mAt.y) - r,
                            std::abs(mAt.x - from.x) + 2 * r, std::abs(mAt.y - from.y) + 2 * r});
        mPicture.paintSegment(*mSnapshot, from, mAt, kBrushWidth, touched,
                              {mAt.x - r + 1, mAt.y - r + 1, kBrushWidth, kBrushWidth}, &mInk);
        return touched;
    }

private:
    Picture &mPicture;
    UndoLayer *mSnapshot = nullptr;
    QRandomGenerator mRng {7};
    Point mAt {8192, 8192};
    double mHeading = 0;
    int mSamples = 0;
    const Color mInk {0.1f, 0.3f, 0.7f, 0.8f};
};

// A screen's worth of pixels with a painter kept open, as the canvas has.
struct Screen
{
    QImage image {512, 512, QImage::Format_ARGB32_Premultiplied};
    QPainter painter {&image};
};

// Arg: 1 when the pyramid was made before (a view zoomed out earlier), 0 when it never was.
void BM_PenSampleFullSize(benchmark::State &state)
{
    Picture &picture = paintedPicture();
    if (state.range(0))
        buildAll(picture.pyramid());
    else
        picture.pyramid().invalidateAll();
    Pen pen(picture);
    Screen screen;
    for (auto _ : state) {
        const Rect touched = pen.sample();
        // The touched pixels at the screen's top-left.
        const QTransform toScreen = sheetToDevice(touched.x(), touched.maxY());
        screen.painter.fillRect(QRectF(0, 0, touched.width(), touched.height()), kPaper);
        Graphics::lockFocus(screen.painter, toScreen);
        picture.renderLayersInRect(touched);
        Graphics::unlockFocus();
    }
}

void BM_PenSampleQuarter(benchmark::State &state)
{
    Picture &picture = paintedPicture();
    PicturePyramid &pyramid = picture.pyramid();
    buildAll(pyramid);
    Pen pen(picture);
    Screen screen;
    QImage level(64, 64, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const Rect touched = pen.sample();
        const int x0 = int(std::floor(touched.x() / 4)), y0 = int(std::floor(touched.y() / 4));
        const QRect shown(x0, y0, int(std::ceil(touched.maxX() / 4)) - x0,
                          int(std::ceil(touched.maxY() / 4)) - y0);
        pyramid.readPixels(2, shown, level, 0, 0);
        screen.painter.fillRect(QRect(QPoint(0, 0), shown.size()), kPaper);
        screen.painter.drawImage(QPoint(0, 0), level, QRect(QPoint(0, 0), shown.size()));
    }
}
} // namespace

BENCHMARK(BM_FullBuild)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PenSampleFullSize)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PenSampleQuarter)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
