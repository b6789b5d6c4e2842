// The canvas's picture exchange: taking a picture, flattening it with and without its
// background, copying it to the clipboard, and clearing.
#include "Answering.h"
#include "InkpondDocument.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QtTest>

namespace {
bool isTransparent(const QImage &image)
{
    return strokes::paintedPixels(Image(image)) == 0;
}
} // namespace

class ExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setImageMakesThePictureTheSheet();
    void flattenedPicture_data();
    void flattenedPicture();
    void copyOffersExactlyTiffAndPng_data();
    void copyOffersExactlyTiffAndPng();
    void clearAsksFirstWhenEdited_data();
    void clearAsksFirstWhenEdited();
    void newPictureEndsHistoryAndPendingLine_data();
    void newPictureEndsHistoryAndPendingLine();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
    QWidget m_window;
    std::unique_ptr<InkpondDocument> m_doc;
    std::unique_ptr<WTView> m_canvas;
};

void ExchangeTest::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_doc = std::make_unique<InkpondDocument>();
    m_doc->setWindow(&m_window);
    m_canvas = std::make_unique<WTView>(Rect(0, 0, 600, 600));
    m_canvas->setDocument(m_doc.get());
    m_doc->setCanvas(m_canvas.get());
}

void ExchangeTest::cleanup()
{
    m_canvas.reset();
    m_doc.reset();
    m_settings.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ExchangeTest::setImageMakesThePictureTheSheet()
{
    const QImage picture = testPicture(1024, 768);
    const Image image(picture);
    QVERIFY(m_canvas->setImage(&image));
    QCOMPARE(m_canvas->sheetSize(), (Size {1024, 768}));
    QCOMPARE(m_canvas->sheetSize(), (Size {1024, 768}));
    QCOMPARE(m_canvas->layers().size(), size_t(1));
    QCOMPARE(m_canvas->currentLayer(), m_canvas->layers().front().get());
    QVERIFY(m_canvas->undoLayers().empty());
    // Transparent pixels stay transparent: the picture replaces, it is not laid over anything.
    QCOMPARE(differingPixels(m_canvas->currentLayer()->toQImage(), picture), 0);
    QVERIFY(!m_doc->isDocumentEdited());

    // Without a picture, or with an empty one, the canvas stays as it is.
    const Image empty {QImage()};
    QVERIFY(!m_canvas->setImage(nullptr));
    QVERIFY(!m_canvas->setImage(&empty));
    QCOMPARE(m_canvas->sheetSize(), (Size {1024, 768}));
    QCOMPARE(differingPixels(m_canvas->currentLayer()->toQImage(), picture), 0);
}

void ExchangeTest::flattenedPicture_data()
{
    QTest::addColumn<int>("bgType");
    QTest::addColumn<bool>("withBG");
    QTest::addColumn<bool>("layerShown");
    for (int bg = 0; bg <= 3; ++bg) {
        QTest::addRow("background %d, without it", bg) << bg << false << true;
        QTest::addRow("background %d, with it", bg) << bg << true << true;
    }
    QTest::newRow("hidden layer, with background") << 1 << true << false;
}

void ExchangeTest::flattenedPicture()
{
    QFETCH(int, bgType);
    QFETCH(bool, withBG);
    QFETCH(bool, layerShown);
    m_canvas->setBgType(float(bgType));
    const Image image(testPicture(200, 150));
    QVERIFY(m_canvas->setImage(&image));
    m_canvas->currentLayer()->setEnabled(layerShown);

    // The same composition by hand: the paper (never the see-through one), then the layer.
    QImage expected(200, 150, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    {
        QPainter p(&expected);
        if (withBG && bgType != 3)
            p.drawImage(0, 0, paperOf(*m_canvas).qimage());
        if (layerShown)
            p.drawImage(0, 0, image.qimage());
    }
    const std::unique_ptr<Image> flattened = m_canvas->getImageWithBG(withBG);
    QVERIFY(flattened);
    QCOMPARE(flattened->size(), (Size {200, 150}));
    QCOMPARE(differingPixels(flattened->qimage(), expected), 0);
}

void ExchangeTest::copyOffersExactlyTiffAndPng_data()
{
    QTest::addColumn<bool>("withBG");
    QTest::newRow("copy") << false;
    QTest::newRow("copy with background") << true;
}

void ExchangeTest::copyOffersExactlyTiffAndPng()
{
    QFETCH(bool, withBG);
    const Image image(testPicture(120, 90));
    QVERIFY(m_canvas->setImage(&image));
    strokes::dab(*m_canvas, 10, 45); // on the picture's transparent third, still a snapshot
    auto *before = new QMimeData;
    before->setText(QStringLiteral("what was there"));
    before->setData(QStringLiteral("application/x-other"), "other");
    QGuiApplication::clipboard()->setMimeData(before);

    if (withBG)
        m_canvas->copyWithBG();
    else
        m_canvas->copy();

    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QStringList formats = mime->formats();
    formats.sort();
    QCOMPARE(formats, QStringList({"image/png", "image/tiff"}));
    const QImage expected = m_canvas->getImageWithBG(withBG)->qimage();
    QVERIFY(qAlpha(expected.pixel(12, 89 - 45)) != 0);
    const QImage tiff = QImage::fromData(mime->data(QStringLiteral("image/tiff")), "TIFF");
    const QImage png = QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG");
    QCOMPARE(differingPixels(tiff, expected), 0);
    QCOMPARE(differingPixels(png, expected), 0);
    QCOMPARE(png.hasAlphaChannel(), true);
}

void ExchangeTest::clearAsksFirstWhenEdited_data()
{
    QTest::addColumn<bool>("edited");
    QTest::addColumn<int>("button"); // the answer to the save question
    QTest::addColumn<bool>("cleared");
    QTest::newRow("unedited: at once") << false << 0 << true;
    QTest::newRow("edited, Cancel") << true << int(QMessageBox::Cancel) << false;
    QTest::newRow("edited, Don't Save") << true << int(QMessageBox::Discard) << true;
}

void ExchangeTest::clearAsksFirstWhenEdited()
{
    QFETCH(bool, edited);
    QFETCH(int, button);
    QFETCH(bool, cleared);
    m_canvas->setBgType(2);
    const Image image(testPicture(320, 240));
    QVERIFY(m_canvas->setImage(&image));
    const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png"));
    m_doc->setFileURL(file);
    if (edited)
        m_doc->updateChangeCount(Document::ChangeDone);

    m_canvas->clear();
    QCOMPARE(openBox("saveChangesAlert", &m_window) != nullptr, edited);
    if (edited)
        QVERIFY(answer("saveChangesAlert", &m_window, QMessageBox::StandardButton(button)));

    QCOMPARE(m_canvas->sheetSize(), (Size {320, 240}));
    QCOMPARE(m_canvas->bgType(), 2.0f);
    QCOMPARE(m_canvas->layers().size(), size_t(1));
    QCOMPARE(isTransparent(m_canvas->currentLayer()->toQImage()), cleared);
    QCOMPARE(m_doc->fileURL(), cleared ? QUrl() : file);
    QCOMPARE(m_doc->isDocumentEdited(), !cleared);
    if (cleared)
        QCOMPARE(m_doc->displayName(), "Untitled");
}

void ExchangeTest::newPictureEndsHistoryAndPendingLine_data()
{
    QTest::addColumn<bool>("clearing");
    QTest::newRow("setImage") << false;
    QTest::newRow("clear") << true;
}

void ExchangeTest::newPictureEndsHistoryAndPendingLine()
{
    QFETCH(bool, clearing);
    strokes::dab(*m_canvas, 100, 100);
    strokes::dab(*m_canvas, 200, 200);
    // Shift-click: a straight line from the last point waits for its end.
    strokes::click(*m_canvas, {300, 300}, Qt::ShiftModifier);
    QVERIFY(m_canvas->isDrawingLine());
    QVERIFY(!m_canvas->undoLayers().empty());

    const Image picture(testPicture(400, 300));
    if (clearing) {
        m_doc->updateChangeCount(Document::ChangeCleared);
        m_canvas->clear();
    } else {
        QVERIFY(m_canvas->setImage(&picture));
    }
    QVERIFY(!m_canvas->isDrawingLine());
    QVERIFY(!m_canvas->hasMouseTracking());
    QVERIFY(m_canvas->undoLayers().empty());
    const QImage shown = m_canvas->getImageWithBG(false)->qimage();
    m_canvas->undo(); // nothing to take back
    QCOMPARE(differingPixels(m_canvas->getImageWithBG(false)->qimage(), shown), 0);
    if (clearing)
        QVERIFY(isTransparent(shown));
    else
        QCOMPARE(differingPixels(shown, picture.qimage()), 0);
}

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
