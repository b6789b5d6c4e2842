// The application's own commands: a new picture from the clipboard, and when the items of
// New from Clipboard and Bring All to Front can be chosen.
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "TabletApplication.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

using Offer = QList<std::pair<QString, QByteArray>>;
Q_DECLARE_METATYPE(Offer)

namespace {
QByteArray encoded(const QColor &color, QSize size, const char *format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return encodedImage(image, format);
}

// The clipboard holding exactly these types and bytes.
void offer(const Offer &items)
{
    auto *mime = new QMimeData;
    for (const auto &[type, bytes] : items)
        mime->setData(type, bytes);
    QGuiApplication::clipboard()->setMimeData(mime);
}

QAction *actionNamed(const char *name, QObject *parent)
{
    auto *action = new QAction(parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

int visibleTopLevels()
{
    int n = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible();
    return n;
}

// Receives the addresses that the commands ask the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};
} // namespace

class AppCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newDocumentTakesTheFirstTypeInOrder_data();
    void newDocumentTakesTheFirstTypeInOrder();
    void undecodableDataLeavesNoDocumentBehind();
    void newFromClipboardIsEnabledExactlyForTheImageTypes_data();
    void newFromClipboardIsEnabledExactlyForTheImageTypes();

private:
    Document *onlyDocument() const;
    QColor shownColor(Document *document) const;

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<DocumentController> m_documents;
    QObject m_actions;
};

void AppCommandsTest::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_documents = InkpondDocument::newDocumentController();
    TabletApplication::instance()->observeDocuments(m_documents.get());
    QGuiApplication::clipboard()->clear();
}

void AppCommandsTest::cleanup()
{
    for (Document *d : m_documents->documents())
        d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_documents.reset();
    m_settings.reset();
}

Document *AppCommandsTest::onlyDocument() const
{
    const auto documents = m_documents->documents();
    return documents.size() == 1 ? documents.front() : nullptr;
}

QColor AppCommandsTest::shownColor(Document *document) const
{
    WTView *canvas = static_cast<InkpondDocument *>(document)->canvas();
    if (!canvas)
        return {};
    const std::unique_ptr<Image> picture = canvas->getImageWithBG(false);
    return QColor::fromRgba(picture->qimage().pixel(1, 1));
}

void AppCommandsTest::newDocumentTakesTheFirstTypeInOrder_data()
{
    const QByteArray tiff = encoded(Qt::red, {30, 20}, "TIFF");
    const QByteArray png = encoded(Qt::blue, {40, 10}, "PNG");
    QVERIFY(!tiff.isEmpty() && !png.isEmpty());
    QTest::addColumn<Offer>("items");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("color");
    QTest::newRow("TIFF over PNG")
        << Offer {{"image/png", png}, {"image/tiff", tiff}} << QSize(30, 20) << QColor(Qt::red);
    QTest::newRow("PNG alone") << Offer {{"image/png", png}} << QSize(40, 10) << QColor(Qt::blue);
    QTest::newRow("PNG beside text")
        << Offer {{"text/plain", "hello"}, {"image/png", png}} << QSize(40, 10) << QColor(Qt::blue);
}

void AppCommandsTest::newDocumentTakesTheFirstTypeInOrder()
{
    QFETCH(Offer, items);
    QFETCH(QSize, size);
    QFETCH(QColor, color);
    offer(items);
    TabletApplication::instance()->newDocumentFromClipboard();

    Document *document = onlyDocument();
    QVERIFY(document);
    auto *picture = static_cast<InkpondDocument *>(document);
    QVERIFY(picture->canvas());
    QCOMPARE(picture->canvas()->sheetSize(), (Size {float(size.width()), float(size.height())}));
    QCOMPARE(shownColor(document), color);
    // Untitled and edited, so that closing asks first.
    QCOMPARE(document->displayName(), QStringLiteral("Untitled"));
    QVERIFY(document->isDocumentEdited());
    QVERIFY(document->window() && document->window()->isVisible());
    QVERIFY(document->window()->isWindowModified());
}

void AppCommandsTest::undecodableDataLeavesNoDocumentBehind()
{
    const int windowsBefore = visibleTopLevels();
    // An accepted type whose bytes are no picture; PICT, which Qt cannot read at all.
    for (const char *type : {"image/png", "image/tiff", "image/x-pict"}) {
        offer({{QLatin1String(type), "not a picture at all"}});
        TabletApplication::instance()->newDocumentFromClipboard();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(m_documents->documents().empty(), type);
        QCOMPARE(visibleTopLevels(), windowsBefore);
    }
    // The half-made documents gave their names back.
    Document *next = m_documents->openUntitledDocumentAndDisplay(false, nullptr);
    QCOMPARE(next->displayName(), QStringLiteral("Untitled"));
}

void AppCommandsTest::newFromClipboardIsEnabledExactlyForTheImageTypes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("TIFF") << "image/tiff" << true;
    QTest::newRow("PICT") << "image/x-pict" << true;
    QTest::newRow("PNG") << "image/png" << true;
    QTest::newRow("JPEG") << "image/jpeg" << false;
    QTest::newRow("text") << "text/plain" << false;
    QTest::newRow("nothing") << QString() << false;
}

void AppCommandsTest::newFromClipboardIsEnabledExactlyForTheImageTypes()
{
    QFETCH(QString, type);
    QFETCH(bool, enabled);
    QSignalSpy changed(TabletApplication::instance(), &TabletApplication::validationChanged);
    if (!type.isEmpty())
        offer({{type, "bytes"}});
    QCOMPARE(changed.size(), type.isEmpty() ? 0 : 1);
    auto *item = actionNamed("newDocumentFromClipboard:", &m_actions);
    QCOMPARE(TabletApplication::instance()->validateUserInterfaceItem(item), enabled);
    // Whatever cannot be chosen does nothing when sent anyway.
    if (!enabled) {
        TabletApplication::instance()->newDocumentFromClipboard();
        QVERIFY(m_documents->documents().empty());
    }
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    AppCommandsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appcommands.moc"
