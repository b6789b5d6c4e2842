#pragma once

#include "DocumentController.h"
#include "DocumentWindow.h"
#include "Geometry.h"
#include "Image.h"
#include "InkpondDocument.h"
#include "SessionEvent.h"
#include "TabletApplication.h"

#include <QMetaType>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// Points the preferences at an empty file of a fresh temporary folder (never the user's).
class IsolatedSettings
{
public:
    IsolatedSettings();
    ~IsolatedSettings();
    QString filePath() const;
    // The file's contents as another process would read them.
    QString storedValue(const QString &key) const;

private:
    std::unique_ptr<QTemporaryDir> mDir;
};

// Number of pixels of which some channel differs by more than tolerance between two images of
// the same size; -1 when the sizes differ.
qint64 differingPixels(const QImage &a, const QImage &b, int tolerance = 0);
// The same, counting only pixels away from any edge of b: those whose neighbours in b are all
// alike. Antialiased edges may differ by a step of coverage; paint may not.
qint64 differingPixelsAwayFromEdges(const QImage &a, const QImage &b, int tolerance = 0);

class WTView;
// The paper as the canvas draws it over its whole sheet.
Image paperOf(const WTView &canvas);

// Each level 2 × 2 averaged from the one below, rounded as the zoomed-out copies round.
QImage boxFiltered(const QImage &image, int levels);

// Opaque colours, a band of every alpha and a transparent band; or all of it opaque.
QImage testPicture(int w, int h, bool opaque = false);

// The image as a file of that format would hold it (quality -1: the writer's default); empty
// when it cannot be written.
QByteArray encodedImage(const QImage &image, const char *format, int quality = -1);

// The events of a recorded session file; none when it cannot be read or a line is malformed.
std::vector<SessionEvent> readSessionFile(const QString &path);

// Replaces the file's contents, making its folder if need be; false when that fails.
bool writeFile(const QString &path, const QByteArray &bytes);
// The file's contents; empty when it cannot be read.
QByteArray readFile(const QString &path);

// The sanitizer's shadow memory needs an unlimited address space.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
constexpr int kChildTimedOut = -1000;
constexpr int kChildNoLimit = 99; // the child's address space could not be limited

// Runs body in a forked child, so that what would block or end the process ends only the child;
// with headroom, its address space is limited to what it uses now plus that much. The child's
// exit status, -signal when a signal ended it, or kChildTimedOut.
int runInChild(const std::function<int()> &body, qint64 headroom = 0, int timeoutMs = 20000);
// The process's address space in use now, in bytes.
qint64 addressSpaceInUse();

// This process's peak resident size in bytes.
qint64 peakResidentBytes();

// Runs what with this process's writes past bytes failing as on a full disk (EFBIG, not SIGXFSZ).
void onAFullDisk(qint64 bytes, const std::function<void()> &what);

// A controller as the application makes one, whose documents keep their settings in the
// standard store as it is when each is made (tests point it elsewhere between cases).
std::unique_ptr<DocumentController> newDocuments();
// Closes every document of the controller and lets their windows go.
void closeDocuments(DocumentController &documents);

// A test case's own settings, documents and folder: made in init(), and in cleanup() the
// documents are closed before the settings go.
struct DocumentsCase
{
    std::unique_ptr<IsolatedSettings> settings = std::make_unique<IsolatedSettings>();
    std::unique_ptr<DocumentController> documents = newDocuments();
    QTemporaryDir dir;
    ~DocumentsCase() { closeDocuments(*documents); }

    QString path(const QString &name) const { return dir.filePath(name); }
    // An untitled document in its window, as File > New makes it.
    InkpondDocument *newDocument();
    // The file in its window, as the application opens it; null, with the reason, when it fails.
    InkpondDocument *open(const QString &path, QString *error = nullptr);
};

// Saves as type (the document's own when empty) and waits for the save's end; false if it failed.
bool saveAndWait(Document &document, const QString &path, const QString &type = {});

class Layer;
class Picture;
// Three layers of one size: an opaque bottom, a hidden locked one, one multiplied at half opacity.
std::vector<std::unique_ptr<Layer>> threeLayers(int w, int h);
// Pixels that differ between the layers of the two pictures, each with its history painted in;
// -1 when the layers' number, properties or the current one differ.
qint64 differingLayers(const Picture &a, const Picture &b, int tolerance = 0);

// The events as the lines of a recording.
QByteArray sessionLines(const std::vector<SessionEvent> &events);

// A document with its window, made as the application makes it; from a picture's file bytes
// when given.
struct Opened
{
    explicit Opened(const QByteArray &picture = {});
    template<typename T = QWidget>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }

    InkpondDocument document;
    DocumentWindow *window = nullptr;
    WTView *canvas = nullptr;
};

class SheetContainer;
// A shown window whose container holds a canvas with a sheet of the given size, as the
// document window has it.
struct ContainedCanvas
{
    ContainedCanvas(QSize container, Size sheet);
    ~ContainedCanvas();

    InkpondDocument document;
    QWidget window;
    SheetContainer *holder = nullptr;
    WTView *canvas = nullptr;
};

// Sheet geometry in data-driven tests, and readable in failure messages.
Q_DECLARE_METATYPE(Rect)
Q_DECLARE_METATYPE(Size)
Q_DECLARE_METATYPE(Point)
char *toString(const Rect &r);
char *toString(const Size &s);
char *toString(const Point &p);

// QTEST_MAIN with the program's own application class: what proximity, the tablet monitor and
// the coalescing switch need.
#define INKPOND_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TabletApplication app(argc, argv);                                                         \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
