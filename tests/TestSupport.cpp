#include "TestSupport.h"

#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "Graphics.h"
#include "Picture.h"
#include "SheetContainer.h"
#include "WTView.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Preferences.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSettings>
#include <QTest>
#include <QThreadPool>

IsolatedSettings::IsolatedSettings()
    : mDir(std::make_unique<QTemporaryDir>())
{
    qputenv("XDG_CONFIG_HOME", mDir->path().toUtf8());
    Preferences::resetStandard(filePath());
}

IsolatedSettings::~IsolatedSettings()
{
    Preferences::resetStandard(filePath() + QStringLiteral(".gone"));
}

QString IsolatedSettings::filePath() const
{
    return mDir->path() + QStringLiteral("/Inkpond/Inkpond.conf");
}

QString IsolatedSettings::storedValue(const QString &key) const
{
    Preferences::standard().synchronize();
    QSettings file(filePath(), QSettings::IniFormat);
    return file.value(key).toString();
}

namespace {
// Pixels of b no further than this from another value count as its edge.
constexpr int kEdgeReach = 2;

bool awayFromEdges(const QImage &b, int x, int y)
{
    // Paint may have its edge just past the image's.
    if (x < kEdgeReach || y < kEdgeReach || x >= b.width() - kEdgeReach
        || y >= b.height() - kEdgeReach)
        return false;
    const QRgb centre = b.pixel(x, y);
    for (int j = std::max(0, y - kEdgeReach); j <= std::min(b.height() - 1, y + kEdgeReach); ++j) {
        const auto *row = reinterpret_cast<const QRgb *>(b.constScanLine(j));
        for (int i = std::max(0, x - kEdgeReach); i <= std::min(b.width() - 1, x + kEdgeReach); ++i)
            if (row[i] != centre)
                return false;
    }
    return true;
}

qint64 countDiffering(const QImage &a, const QImage &b, int tolerance, bool onlyAwayFromEdges)
{
    if (a.size() != b.size())
        return -1;
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    qint64 n = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const uchar *ra = ca.constScanLine(y);
        const uchar *rb = cb.constScanLine(y);
        for (int x = 0; x < ca.width() * 4; x += 4) {
            bool differs = false;
            for (int c = x; c < x + 4; ++c)
                differs = differs || std::abs(int(ra[c]) - int(rb[c])) > tolerance;
            n += differs && (!onlyAwayFromEdges || awayFromEdges(cb, x / 4, y));
        }
    }
    return n;
}
} // namespace

qint64 differingPixels(const QImage &a, const QImage &b, int tolerance)
{
    return countDiffering(a, b, tolerance, false);
}

qint64 differingPixelsAwayFromEdges(const QImage &a, const QImage &b, int tolerance)
{
    return countDiffering(a, b, tolerance, true);
}

QImage boxFiltered(const QImage &image, int levels)
{
    constexpr auto format = QImage::Format_ARGB32_Premultiplied;
    QImage out = image.convertToFormat(format);
    for (int l = 0; l < levels; ++l) {
        QImage next((out.width() + 1) / 2, (out.height() + 1) / 2, format);
        for (int y = 0; y < next.height(); ++y)
            for (int x = 0; x < next.width(); ++x) {
                int sum[4] = {};
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int sx = 2 * x + dx, sy = 2 * y + dy;
                        const QRgb p = sx < out.width() && sy < out.height() ? out.pixel(sx, sy) : 0;
                        sum[0] += qRed(p);
                        sum[1] += qGreen(p);
                        sum[2] += qBlue(p);
                        sum[3] += qAlpha(p);
                    }
                next.setPixel(x, y, qRgba((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4,
                                          (sum[3] + 2) / 4));
            }
        out = next;
    }
    return out;
}

QImage testPicture(int w, int h, bool opaque)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int third = x * 3 / w;
            const int a = opaque || third == 2 ? 255 : third == 1 ? (x * 37 + y * 11) % 256 : 0;
            image.setPixel(x, y,
                           qPremultiply(qRgba(x * 255 / w, y * 255 / h, (x + y) * 7 % 256, a)));
        }
    }
    return image;
}

QByteArray encodedImage(const QImage &image, const char *format, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? data : QByteArray();
}

std::vector<SessionEvent> readSessionFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    SessionReadResult read = readSession(file);
    return read.ok() ? std::move(read.events) : std::vector<SessionEvent> {};
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

namespace {
CanvasDialogs &testDialogs()
{
    static CanvasDialogs dialogs;
    return dialogs;
}
} // namespace

std::unique_ptr<DocumentController> newDocuments()
{
    return InkpondDocument::newDocumentController(&Preferences::standard, testDialogs());
}

void closeDocuments(DocumentController &documents)
{
    for (Document *d : documents.documents())
        d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

InkpondDocument *DocumentsCase::newDocument()
{
    auto *document
        = qobject_cast<InkpondDocument *>(documents->openUntitledDocumentAndDisplay(true, nullptr));
    QCoreApplication::processEvents();
    return document;
}

InkpondDocument *DocumentsCase::open(const QString &path, QString *error)
{
    auto *document = qobject_cast<InkpondDocument *>(
        documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, error));
    QCoreApplication::processEvents();
    return document && document->canvas() ? document : nullptr;
}

bool saveAndWait(Document &document, const QString &path, const QString &type)
{
    std::optional<bool> saved;
    document.saveToURL(QUrl::fromLocalFile(path), type.isEmpty() ? document.fileType() : type,
                       [&saved](bool ok) { saved = ok; });
    while (!saved)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(); // what the save's thread left for this one
    return *saved;
}

std::vector<std::unique_ptr<Layer>> threeLayers(int w, int h)
{
    std::vector<std::unique_ptr<Layer>> layers;
    for (int i = 0; i < 3; ++i) {
        auto layer = std::make_unique<Layer>(Size {float(w), float(h)});
        layer->setPixels(testPicture(w, h, i == 0)
                             .mirrored(i == 1, i == 2)
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied));
        LayerProperties p;
        p.name = QStringLiteral("Layer %1").arg(i + 1);
        p.visible = i != 1;
        p.locked = i == 1;
        p.mode = i == 2 ? BlendMode::Multiply : BlendMode::Normal;
        p.opacity = i == 2 ? 0.5f : 1.0f;
        layer->setProperties(p);
        layers.push_back(std::move(layer));
    }
    return layers;
}

qint64 differingLayers(const Picture &a, const Picture &b, int tolerance)
{
    if (a.layers().size() != b.layers().size() || a.currentLayerIndex() != b.currentLayerIndex())
        return -1;
    qint64 n = 0;
    for (int i = 0; i < int(a.layers().size()); ++i) {
        if (!(a.layers()[size_t(i)]->properties() == b.layers()[size_t(i)]->properties()))
            return -1;
        n += differingPixels(a.assembledLayer(i)->toQImage(), b.assembledLayer(i)->toQImage(),
                             tolerance);
    }
    return n;
}

QByteArray sessionLines(const std::vector<SessionEvent> &events)
{
    QByteArray bytes;
    for (const SessionEvent &e : events)
        bytes += formatSessionEvent(e) + '\n';
    return bytes;
}

Opened::Opened(const QByteArray &picture)
{
    document.setSettingsStore(&Preferences::standard());
    document.setCanvasQuestions(&testDialogs());
    if (!picture.isEmpty())
        document.readFromData(picture, QString(), nullptr);
    document.makeWindowControllers();
    window = documentWindowFor(&document);
    canvas = window ? window->canvas() : nullptr;
}

char *toString(const Rect &r)
{
    return qstrdup(qPrintable(stringFromRect(r)));
}

char *toString(const Size &s)
{
    return qstrdup(qPrintable(QStringLiteral("{%1, %2}").arg(s.width).arg(s.height)));
}

char *toString(const Point &p)
{
    return qstrdup(qPrintable(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y)));
}

Image paperOf(const WTView &canvas)
{
    Image out(canvas.sheetSize());
    Graphics::lockFocus(out);
    canvas.picture().drawBackgroundInRect({{0, 0}, canvas.sheetSize()});
    Graphics::unlockFocus();
    return out;
}

ContainedCanvas::ContainedCanvas(QSize container, Size sheet)
{
    window.resize(container);
    holder = new SheetContainer(&window);
    holder->setGeometry(QRect(QPoint(0, 0), container));
    canvas = new WTView(Rect(0, 0, container.width(), container.height()), holder);
    holder->setCanvas(canvas);
    canvas->setDocument(&document);
    canvas->setQuestions(&testDialogs());
    window.show();
    canvas->setSheetSize(sheet);
    canvas->setFocus();
}

ContainedCanvas::~ContainedCanvas()
{
    canvas->setDocument(nullptr);
}

qint64 addressSpaceInUse()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readLine().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

int runInChild(const std::function<int()> &body, qint64 headroom, int timeoutMs)
{
    // The pool's idle threads would not exist in the child, and Qt's image conversions would
    // wait on them for ever: they are ended first, and the child starts its own.
    QThreadPool::globalInstance()->waitForDone();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Ended at once, without Qt Test's handler starting a debugger for a stack trace.
        std::signal(SIGABRT, SIG_DFL);
        std::signal(SIGSEGV, SIG_DFL);
        if (headroom > 0) {
            const rlim_t bytes = rlim_t(addressSpaceInUse() + headroom);
            const rlimit limit {bytes, bytes};
            if (::setrlimit(RLIMIT_AS, &limit) != 0)
                std::_Exit(kChildNoLimit);
        }
        std::_Exit(body());
    }
    int status = 0;
    if (!QTest::qWaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return kChildTimedOut;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

qint64 peakResidentBytes()
{
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

void onAFullDisk(qint64 bytes, const std::function<void()> &what)
{
    rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t old = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    what();
    limit.rlim_cur = old;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
}
