// Layered pictures as files: OpenRaster saved and opened through the document, the note that a
// flat save flattened the layers, and the program converting a file without a window.
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Picture.h"
#include "PictureOpenRaster.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "StrokeDriver.h"
#include "ProgramRun.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QProcess>
#include <QStatusBar>
#include <QtTest>

namespace {
const QString kOra = QStringLiteral("OpenRaster image");

// Three layers of one size: an opaque bottom, a hidden one, one multiplied at half opacity.
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

void waitForSave(InkpondDocument &document, const QString &path, const QString &type)
{
    std::optional<bool> saved;
    document.saveToURL(QUrl::fromLocalFile(path), type, [&saved](bool ok) { saved = ok; });
    while (!saved)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QVERIFY(*saved);
    QCoreApplication::processEvents(); // what the save's thread left for this one
}

Run inkpond(const QStringList &arguments, const QString &home)
{
    return runInkpond(arguments, home + QStringLiteral("/config"));
}
} // namespace

class LayeredFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        mSettings = std::make_unique<IsolatedSettings>();
        mDir = std::make_unique<QTemporaryDir>();
        mController = newDocuments();
    }

    void cleanup()
    {
        closeDocuments(*mController);
        mController.reset();
        mDir.reset();
        mSettings.reset();
    }

    // Saved as OpenRaster with a stroke still in the history, and opened again: the same layers,
    // their properties and pixels, the stroke painted in, the top layer current.
    void openRasterKeepsTheLayersThroughTheDocument()
    {
        auto *document = qobject_cast<InkpondDocument *>(
            mController->openUntitledDocumentAndDisplay(true, nullptr));
        QVERIFY(document);
        WTView &canvas = *document->canvas();
        QVERIFY(canvas.core().adoptLayers(threeLayers(160, 120), 2));
        strokes::drag(canvas, {10, 10}, {150, 100});
        const QString path = mDir->filePath(QStringLiteral("picture.ora"));
        waitForSave(*document, path, kOra);
        QVERIFY(!document->isDocumentEdited());

        QString error;
        auto *opened = qobject_cast<InkpondDocument *>(
            mController->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, &error));
        QVERIFY2(opened && opened->canvas(), qPrintable(error));
        QCOMPARE(opened->fileType(), kOra);
        const Picture &before = canvas.picture();
        const Picture &after = opened->canvas()->picture();
        QCOMPARE(after.layers().size(), size_t(3));
        QCOMPARE(after.currentLayerIndex(), 2);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(after.layers()[size_t(i)]->properties(),
                     before.layers()[size_t(i)]->properties());
            QCOMPARE(differingPixels(after.assembledLayer(i)->toQImage(),
                                     before.assembledLayer(i)->toQImage(), 1),
                     0);
        }
    }

    // A flat file from a layered picture says once, in passing, that the layers were flattened;
    // the document keeps them. A picture of one layer says nothing.
    void flatSaveOfLayersIsToldOnce()
    {
        Opened single;
        waitForSave(single.document, mDir->filePath(QStringLiteral("one.png")),
                    QStringLiteral("PNG image"));
        QVERIFY(single.window->statusBar()->currentMessage().isEmpty());

        Opened layered;
        QVERIFY(layered.canvas->core().adoptLayers(threeLayers(80, 60), 0));
        waitForSave(layered.document, mDir->filePath(QStringLiteral("flat.png")),
                    QStringLiteral("PNG image"));
        QVERIFY(
            layered.window->statusBar()->currentMessage().contains(QStringLiteral("flattened")));
        QCOMPARE(layered.canvas->picture().layers().size(), size_t(3));
        layered.window->statusBar()->clearMessage();
        waitForSave(layered.document, mDir->filePath(QStringLiteral("flat.jpg")),
                    QStringLiteral("JPEG image"));
        QVERIFY(layered.window->statusBar()->currentMessage().isEmpty());
    }

    // JPEG is written at the quality last chosen; transparent parts written on white are told
    // of once a document.
    void lossySaveHasTheChosenQualityAndTellsOfTransparencyOnce()
    {
        Opened o;
        std::vector<std::unique_ptr<Layer>> layers;
        layers.push_back(std::make_unique<Layer>(Size {160, 120}));
        layers.back()->setPixels(
            testPicture(160, 120).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QVERIFY(o.canvas->core().adoptLayers(std::move(layers), 0));
        qint64 sizes[2] = {};
        const int qualities[2] = {10, 95};
        for (int i = 0; i < 2; ++i) {
            Preferences::standard().setInteger(qualities[i], PreferenceKeys::kSaveQuality);
            const QString path = mDir->filePath(QStringLiteral("q%1.jpg").arg(qualities[i]));
            waitForSave(o.document, path, QStringLiteral("JPEG image"));
            sizes[i] = QFileInfo(path).size();
            QCOMPARE(o.window->statusBar()->currentMessage().contains(QStringLiteral("white")),
                     i == 0);
            o.window->statusBar()->clearMessage();
        }
        QVERIFY2(sizes[1] > sizes[0], qPrintable(QStringLiteral("%1 %2").arg(sizes[0]).arg(sizes[1])));
    }

    // The program converts a file without a window: an OpenRaster file to the composite as PNG,
    // or to OpenRaster again with its layers; what cannot be done fails with the reason.
    void exportConvertsWithoutAWindow()
    {
        Picture picture(Size {}, BgType::Plain);
        picture.replaceLayersWith(threeLayers(96, 64), 0);
        const QString ora = mDir->filePath(QStringLiteral("in.ora"));
        QCOMPARE(OpenRaster::writePicture(ora, picture), OpenRaster::Outcome::Done);
        const QString home = mDir->filePath(QStringLiteral("home"));

        const QString png = mDir->filePath(QStringLiteral("out.png"));
        Run run = inkpond({ora, QStringLiteral("--export"), png}, home);
        QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
        const QImage composite = picture.flatten(false)->qimage();
        QCOMPARE(differingPixels(QImage(png).convertToFormat(QImage::Format_ARGB32),
                                 composite.convertToFormat(QImage::Format_ARGB32), 1),
                 0);

        const QString again = mDir->filePath(QStringLiteral("again.ora"));
        run = inkpond({ora, QStringLiteral("--export"), again}, home);
        QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
        OraPicture read;
        QCOMPARE(OpenRaster::read(again, &read), OpenRaster::Outcome::Done);
        QCOMPARE(read.layers.size(), size_t(3));
        QCOMPARE(read.layers[0].mode, BlendMode::Multiply);

        // A replay over the opened file, here of a recording that paints nothing.
        const QString session = mDir->filePath(QStringLiteral("none.jsonl"));
        QVERIFY(writeFile(session, QByteArray()));
        const QString replayed = mDir->filePath(QStringLiteral("replayed.ora"));
        run = inkpond({QStringLiteral("--replay"), session, QStringLiteral("--start"), ora,
                       QStringLiteral("--export"), replayed},
                      home);
        QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
        QCOMPARE(OpenRaster::read(replayed, &read), OpenRaster::Outcome::Done);
        QCOMPARE(read.layers.size(), size_t(3));

        const QString missing = mDir->filePath(QStringLiteral("missing.ora"));
        const QString nowhere = mDir->filePath(QStringLiteral("no/such/folder/out.png"));
        const QString unknown = mDir->filePath(QStringLiteral("out.unknown"));
        for (const QStringList &arguments :
             {QStringList {missing, QStringLiteral("--export"), png},
              QStringList {ora, QStringLiteral("--export"), nowhere},
              QStringList {ora, QStringLiteral("--export"), unknown},
              QStringList {ora, png, QStringLiteral("--export"), png}}) {
            run = inkpond(arguments, home);
            QVERIFY2(run.exitCode > 0, qPrintable(arguments.join(u' ')));
            QVERIFY2(!run.standardError.trimmed().isEmpty(), qPrintable(arguments.join(u' ')));
        }
        QVERIFY(!QFile::exists(nowhere) && !QFile::exists(unknown));
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<DocumentController> mController;
};

QTEST_MAIN(LayeredFilesTest)
#include "tst_layeredfiles.moc"
