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

    void copyOffersExactlyTiffAndPng_data();
    void copyOffersExactlyTiffAndPng();
    void clearAsksFirstWhenEdited_data();
    void clearAsksFirstWhenEdited();

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

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
