#pragma once

#include <QPointF>
#include <QRect>
#include <QTransform>
#include <QtGlobal>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class QImage;

// Premultiplied ARGB32 pixels read where they lie, in square tiles laid on a grid whose first
// tile's bottom-left pixel is `origin` (pixels y up). Tiles absent from the grid are
// transparent.
struct ResampleSource
{
    struct Tile
    {
        const quint32 *bottom = nullptr; // pixel (0, 0) of the tile; nullptr: transparent
        qsizetype up = 0; // from a pixel to the one above it
    };

    QRect bounds; // the pixels held (y up): samples are clamped into it, nothing shows outside
    QPoint origin;
    int shift = 6; // a tile is 1 << shift pixels a side
    int columns = 0;
    int rows = 0;
    std::vector<Tile> tiles; // row by row from the bottom
    // A plain premultiplied colour under the tiles over [0, paperEdge) (pixels, y up), those
    // the edge cuts through partly covered; none when 0.
    quint32 paper = 0;
    QPointF paperEdge;

    // An image's pixels as one tile, its bottom-left pixel at `at`.
    static ResampleSource ofImage(const QImage &image, QPoint at);
};

// Resampling of a source through an affine map straight onto an image, laid source-over what
// is there, in horizontal bands shared with threads kept for it.
class AffineResampler
{
public:
    enum class Filter { Bilinear, Nearest };

    // Threads besides the caller's; by default one less than the cores.
    explicit AffineResampler(int helpers = -1);
    ~AffineResampler();
    AffineResampler(const AffineResampler &) = delete;
    AffineResampler &operator=(const AffineResampler &) = delete;

    // Fills `area` of `out` (premultiplied or opaque ARGB32) where the centre of a pixel, mapped
    // by `outToSource` (out's pixel coordinates, y down, to the source's, y up), falls inside
    // the source's bounds. `bands`: how many parts the rows are cut into; 0 for one a thread.
    void resample(const ResampleSource &source, const QTransform &outToSource, QImage &out,
                  const QRect &area, int bands = 0, Filter filter = Filter::Bilinear);

    int threads() const { return int(mThreads.size()) + 1; }

private:
    void work();
    void runBands(int count, const std::function<void(int)> &band);

    std::vector<std::thread> mThreads;
    std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mDone;
    const std::function<void(int)> *mJob = nullptr;
    quint64 mGeneration = 0;
    int mCount = 0; // bands of the job
    int mNext = 0; // the next band to take
    int mFinished = 0;
    bool mClosing = false;
};
