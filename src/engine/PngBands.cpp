#include "PngBands.h"

#include "PngDeflate.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <zlib.h>

namespace {
// The texts of this file, in the string table under "PngBands".
struct PngBandsTexts
{
    Q_DECLARE_TR_FUNCTIONS(PngBands)
};

constexpr qsizetype kChunkData = 1 << 18;
constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";

// Writes chunks to the device; the first failure is kept and every later write skipped.
class ChunkWriter
{
public:
    explicit ChunkWriter(QIODevice &device)
        : mDevice(device)
    {
    }

    bool ok() const { return mOk; }

    bool raw(const char *data, qsizetype size)
    {
        mOk = mOk && mDevice.write(data, size) == size;
        return mOk;
    }

    bool chunk(const char type[4], const uchar *data, qsizetype size)
    {
        uchar head[8];
        qToBigEndian(quint32(size), head);
        std::memcpy(head + 4, type, 4);
        uLong crc = crc32(0, head + 4, 4);
        if (size > 0) // zlib starts over when given no data
            crc = crc32(crc, data, uInt(size));
        uchar tail[4];
        qToBigEndian(quint32(crc), tail);
        return raw(reinterpret_cast<const char *>(head), 8)
            && (size == 0 || raw(reinterpret_cast<const char *>(data), size))
            && raw(reinterpret_cast<const char *>(tail), 4);
    }

    // Image data, gathered into chunks of a fixed size.
    bool imageData(const uchar *data, std::size_t size)
    {
        while (size > 0 && mOk) {
            const auto n = std::min(size, std::size_t(kChunkData) - mPending.size());
            mPending.insert(mPending.end(), data, data + n);
            data += n;
            size -= n;
            if (mPending.size() == std::size_t(kChunkData))
                endImageData();
        }
        return mOk;
    }

    bool endImageData()
    {
        if (!mPending.empty())
            chunk("IDAT", mPending.data(), qsizetype(mPending.size()));
        mPending.clear();
        return mOk;
    }

private:
    QIODevice &mDevice;
    std::vector<uchar> mPending;
    bool mOk = true;
};

struct Job
{
    QImage pixels;
    bool last = false;
    int rowsAfter = 0; // rows written once this band is
    bool done = false;
    PngDeflate::Band band;
};

// Threads that compress the bands handed to them, in any order; the caller takes them back in
// order. Stopped and joined when it goes.
class Compressors
{
public:
    explicit Compressors(int count)
    {
        // A thread that cannot start (a limit on threads or address space) leaves its bands to
        // those that did, or to the caller when none did, rather than ending the process.
        try {
            for (int i = 0; i < count; ++i)
                mThreads.emplace_back([this] { work(); });
        } catch (const std::exception &) {
        }
    }

    ~Compressors()
    {
        {
            const std::lock_guard lock(mMutex);
            mClosing = true;
        }
        mStop = true;
        mWake.notify_all();
        for (std::thread &t : mThreads)
            t.join();
    }

    bool threaded() const { return !mThreads.empty(); }

    void submit(Job *job)
    {
        if (!threaded()) {
            run(*job);
            job->done = true;
            return;
        }
        {
            const std::lock_guard lock(mMutex);
            mQueue.push_back(job);
        }
        mWake.notify_one();
    }

    void waitFor(const Job &job)
    {
        std::unique_lock lock(mMutex);
        mDone.wait(lock, [&] { return job.done; });
    }

private:
    void run(Job &job)
    {
        job.band = PngDeflate::deflateBand(job.pixels, job.last, mStop);
        job.pixels = QImage();
    }

    void work()
    {
        for (;;) {
            Job *job = nullptr;
            {
                std::unique_lock lock(mMutex);
                mWake.wait(lock, [&] { return mClosing || !mQueue.empty(); });
                if (mClosing)
                    return;
                job = mQueue.front();
                mQueue.pop_front();
            }
            run(*job);
            {
                const std::lock_guard lock(mMutex);
                job->done = true;
            }
            mDone.notify_all();
        }
    }

    std::vector<std::thread> mThreads;
    std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mDone;
    std::deque<Job *> mQueue;
    bool mClosing = false;
    std::atomic<bool> mStop {false};
};

PngBands::Outcome fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return PngBands::Outcome::Failed;
}

QString writeFailure(const QIODevice &device)
{
    const QString reason = device.errorString();
    return reason.isEmpty() || reason == QLatin1String("Unknown error")
        ? PngBandsTexts::tr("The picture could not be written as PNG.")
        : reason;
}
} // namespace

namespace PngBands {

Outcome write(QIODevice &device, int width, int height, const BandSource &band,
              const WriteOptions &options, QString *error)
{
    if (width <= 0 || height <= 0 || width > (INT_MAX - 1) / 4)
        return fail(error, PngBandsTexts::tr("The picture could not be written as PNG."));
    const int bandRows = std::max(1, options.bandRows);

    ChunkWriter out(device);
    uchar header[13];
    qToBigEndian(quint32(width), header);
    qToBigEndian(quint32(height), header + 4);
    header[8] = 8; // bits a channel
    header[9] = 6; // RGBA
    header[10] = header[11] = header[12] = 0; // deflate, adaptive filters, not interlaced
    out.raw(kSignature, 8);
    out.chunk("IHDR", header, sizeof header);
    out.imageData(PngDeflate::kZlibHeader, sizeof PngDeflate::kZlibHeader);
    if (!out.ok())
        return fail(error, writeFailure(device));

    quint32 adler = 1;
    std::deque<std::unique_ptr<Job>> inFlight;
    Compressors compressors(std::max(0, options.workers));
    const std::size_t mostInFlight = std::size_t(std::max(0, options.workers)) + 1;
    // The oldest band written out, in order.
    auto writeOldest = [&]() -> Outcome {
        std::unique_ptr<Job> job = std::move(inFlight.front());
        inFlight.pop_front();
        compressors.waitFor(*job);
        if (!job->band.ok)
            return fail(error,
                        PngBandsTexts::tr("There is not enough memory to write the picture."));
        adler = PngDeflate::combineAdler(adler, job->band.adler, job->band.length);
        if (!out.imageData(job->band.data.data(), job->band.data.size()))
            return fail(error, writeFailure(device));
        if (options.progress && !options.progress(double(job->rowsAfter) / height))
            return Outcome::Cancelled;
        return Outcome::Done;
    };
    if (options.progress && !options.progress(0.0))
        return Outcome::Cancelled;
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        QImage pixels = band(top, rows);
        if (pixels.isNull() || pixels.width() != width || pixels.height() != rows)
            return fail(error,
                        PngBandsTexts::tr("There is not enough memory to flatten the picture."));
        if (pixels.format() != QImage::Format_ARGB32_Premultiplied)
            pixels = std::move(pixels).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        auto job = std::make_unique<Job>();
        job->pixels = std::move(pixels);
        job->last = top + rows == height;
        job->rowsAfter = top + rows;
        compressors.submit(job.get());
        inFlight.push_back(std::move(job));
        while (inFlight.size() >= mostInFlight || (!inFlight.empty() && top + rows == height)) {
            const Outcome outcome = writeOldest();
            if (outcome != Outcome::Done)
                return outcome;
        }
    }
    uchar trailer[4];
    qToBigEndian(adler, trailer);
    out.imageData(trailer, sizeof trailer);
    out.endImageData();
    out.chunk("IEND", nullptr, 0);
    if (!out.ok())
        return fail(error, writeFailure(device));
    return Outcome::Done;
}

QByteArray encode(int width, int height, int bandRows, const BandSource &band, QString *error)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    WriteOptions options;
    options.bandRows = bandRows;
    if (write(buffer, width, height, band, options, error) != Outcome::Done)
        return {};
    return data;
}

} // namespace PngBands
