// Layered pictures as files: OpenRaster saved and opened through the document, the note that a
// flat save flattened the layers, and the program converting a file without a window.
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Picture.h"
#include "PictureOpenRaster.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "ProgramRun.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QProcess>
#include <QStatusBar>
#include <QtTest>
#include <optional>

namespace {
const QString kOra = QStringLiteral("OpenRaster image");

Run inkpond(const QStringList &arguments, const QString &home)
{
    return runInkpond(arguments, home + QStringLiteral("/config"));
}
} // namespace

class LayeredFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { mCase.emplace(); }
    void cleanup() { mCase.reset(); }

    // Saved as OpenRaster with a stroke still in the history, and opened again: the same layers,
    // their properties and pixels, the stroke painted in, the top layer current.
    void openRasterKeepsTheLayersThroughTheDocument()
    {
        InkpondDocument *document = mCase->newDocument();
        WTView &canvas = *document->canvas();
        QVERIFY(canvas.core().adoptLayers(threeLayers(160, 120), 2));
        strokes::drag(canvas, {10, 10}, {150, 100});
        const QString path = mCase->path(QStringLiteral("picture.ora"));
        QVERIFY(saveAndWait(*document, path, kOra));
        QVERIFY(!document->isDocumentEdited());

        QString error;
        InkpondDocument *opened = mCase->open(path, &error);
        QVERIFY2(opened, qPrintable(error));
        QCOMPARE(opened->fileType(), kOra);
        QCOMPARE(opened->canvas()->picture().layers().size(), size_t(3));
        QCOMPARE(differingLayers(opened->canvas()->picture(), canvas.picture(), 1), 0);
    }

    // A flat file from a layered picture says once, in passing, that the layers were flattened;
    // the document keeps them. A picture of one layer says nothing.
    void flatSaveOfLayersIsToldOnce()
    {
        Opened single;
        QVERIFY(saveAndWait(single.document, mCase->path(QStringLiteral("one.png")),
                            QStringLiteral("PNG image")));
        QVERIFY(single.window->statusBar()->currentMessage().isEmpty());

        Opened layered;
        QVERIFY(layered.canvas->core().adoptLayers(threeLayers(80, 60), 0));
        QVERIFY(saveAndWait(layered.document, mCase->path(QStringLiteral("flat.png")),
                            QStringLiteral("PNG image")));
        QVERIFY(
            layered.window->statusBar()->currentMessage().contains(QStringLiteral("flattened")));
        QCOMPARE(layered.canvas->picture().layers().size(), size_t(3));
        layered.window->statusBar()->clearMessage();
        QVERIFY(saveAndWait(layered.document, mCase->path(QStringLiteral("flat.jpg")),
                            QStringLiteral("JPEG image")));
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
            Preferences::standard().setInteger(qualities[i], ProgramKeys::kSaveQuality);
            const QString path = mCase->path(QStringLiteral("q%1.jpg").arg(qualities[i]));
            QVERIFY(saveAndWait(o.document, path, QStringLiteral("JPEG image")));
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
        const QString ora = mCase->path(QStringLiteral("in.ora"));
        QCOMPARE(OpenRaster::writePicture(ora, picture), OpenRaster::Outcome::Done);
        const QString home = mCase->path(QStringLiteral("home"));

        const QString png = mCase->path(QStringLiteral("out.png"));
        Run run = inkpond({ora, QStringLiteral("--export"), png}, home);
        QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
        const QImage composite = picture.flatten(false)->qimage();
        QCOMPARE(differingPixels(QImage(png).convertToFormat(QImage::Format_ARGB32),
                                 composite.convertToFormat(QImage::Format_ARGB32), 1),
                 0);

        const QString again = mCase->path(QStringLiteral("again.ora"));
        run = inkpond({ora, QStringLiteral("--export"), again}, home);
        QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
        OraPicture read;
        QCOMPARE(OpenRaster::read(again, &read), OpenRaster::Outcome::Done);
        QCOMPARE(read.layers.size(), size_t(3));
        QCOMPARE(read.layers[0].mode, BlendMode::Multiply);

        // A replay over the opened file, here of a recording that paints nothing.
        const QString session = mCase->path(QStringLiteral("none.jsonl"));
        QVERIFY(writeFile(session, QByteArray()));
        const QString replayed = mCase->path(QStringLiteral("replayed.ora"));
        run = inkpond({QStringLiteral("--replay"), session, QStringLiteral("--start"), ora,
                       QStringLiteral("--export"), replayed},
                      home);
        QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
        QCOMPARE(OpenRaster::read(replayed, &read), OpenRaster::Outcome::Done);
        QCOMPARE(read.layers.size(), size_t(3));

        const QString missing = mCase->path(QStringLiteral("missing.ora"));
        const QString nowhere = mCase->path(QStringLiteral("no/such/folder/out.png"));
        const QString unknown = mCase->path(QStringLiteral("out.unknown"));
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
    std::optional<DocumentsCase> mCase;
};

QTEST_MAIN(LayeredFilesTest)
#include "tst_layeredfiles.moc"
