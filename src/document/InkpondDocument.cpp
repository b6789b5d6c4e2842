#include "InkpondDocument.h"

#include "DocumentController.h"
#include "DocumentWindow.h"
#include "ImageCodec.h"
#include "LocalFile.h"
#include "Picture.h"
#include "PictureFile.h"
#include "PictureOpenRaster.h"
#include "PngBands.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "QualityDialog.h"
#include "WTView.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <new>

namespace {
bool hasTransparency(const Image &image)
{
    const QImage &pixels = image.qimage();
    if (!pixels.hasAlphaChannel())
        return false;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            if (qAlpha(row[x]) < 255)
                return true;
    }
    return false;
}
} // namespace

InkpondDocument::InkpondDocument(QObject *parent)
    : Document(parent)
{
}

InkpondDocument::~InkpondDocument()
{
    // The window it made refers to it to the end, so it does not outlive it.
    delete documentWindowFor(this);
}

void InkpondDocument::setCanvas(WTView *canvas)
{
    mCanvasView = canvas;
}

WTView *InkpondDocument::canvas() const
{
    return mCanvasView;
}

DocumentTypes InkpondDocument::documentTypes()
{
    Q_INIT_RESOURCE(DocumentTypes);
    return DocumentTypes::fromFile(QStringLiteral(":/DocumentTypes.json"));
}

std::unique_ptr<DocumentController>
InkpondDocument::newDocumentController(std::function<Preferences &()> store,
                                       CanvasQuestions &questions)
{
    return std::make_unique<DocumentController>(
        documentTypes(), [store = std::move(store), &questions] {
            auto document = std::make_unique<InkpondDocument>();
            document->setSettingsStore(&store());
            document->setCanvasQuestions(&questions);
            return document;
        });
}

QStringList InkpondDocument::extensionsOfType(const QString &typeName) const
{
    // A document no controller holds (read or written on its own) knows the built-in table.
    static const DocumentTypes builtIn = documentTypes();
    const DocumentTypes *types = Document::documentTypes();
    const DocumentType *type = (types ? types : &builtIn)->typeNamed(typeName);
    return type ? type->extensions : QStringList();
}

QByteArray InkpondDocument::dataOfType(const QString &typeName, QString *error)
{
    if (error)
        error->clear();
    if (typeName.isEmpty() || !mCanvasView)
        return {};
    const QStringList extensions = extensionsOfType(typeName);
    if (extensions.isEmpty()) {
        if (error)
            *error = tr("The type “%1” has no file name extension.").arg(typeName);
        return {};
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const SaveWork work = pictureWork(mCanvasView->picture(), extensions.first().toLatin1(), false);
    return work(buffer, [](double) { return true; }, error) ? buffer.data() : QByteArray();
}

Document::SaveWork InkpondDocument::saveWork(const QString &typeName, QString *error)
{
    const QStringList extensions = extensionsOfType(typeName);
    if (extensions.isEmpty() || !mCanvasView) {
        if (error)
            *error = tr("The type “%1” has no file name extension.").arg(typeName);
        return {};
    }
    const QByteArray extension = extensions.first().toLatin1();
    // What is saved is what shows: a paste still floating is placed first.
    mCanvasView->core().commitPaste();
    std::function<void()> onTransparent;
    if (!mToldTransparent)
        onTransparent = [this, typeName] {
            // From the save's thread: the document outlives its save.
            QMetaObject::invokeMethod(
                this, [this, typeName] { tellTransparent(typeName); }, Qt::QueuedConnection);
        };
    const SaveWork work = pictureWork(mCanvasView->picture(), extension, false, saveQuality(),
                                      std::move(onTransparent));
    if (mToldFlattened || extension.toLower() == "ora"
        || mCanvasView->picture().layers().size() < 2)
        return work;
    return [this, work, typeName](QIODevice &out, const std::function<bool(double)> &progress,
                                  QString *why) {
        if (!work(out, progress, why))
            return false;
        QMetaObject::invokeMethod(
            this, [this, typeName] { tellFlattened(typeName); }, Qt::QueuedConnection);
        return true;
    };
}

int InkpondDocument::saveQuality() const
{
    return mSettingsStore
        ? int(ProgramKeys::storedNumber(*mSettingsStore, ProgramKeys::kSaveQuality))
        : ImageCodec::kQuality;
}

void InkpondDocument::chooseSaveOptions(const QString &typeName, std::function<void(bool)> proceed)
{
    const QStringList extensions = extensionsOfType(typeName);
    if (extensions.isEmpty() || !ImageCodec::takesQuality(extensions.first().toLatin1())
        || !window()) {
        proceed(true);
        return;
    }
    auto *dialog = new QualityDialog(saveQuality(), typeName, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::finished, this, [this, dialog, proceed](int result) {
        const bool chosen = result == QDialog::Accepted;
        if (chosen && mSettingsStore)
            ProgramKeys::storeNumber(*mSettingsStore, ProgramKeys::kSaveQuality, dialog->quality());
        proceed(chosen);
    });
    dialog->open();
}

void InkpondDocument::tellTransparent(const QString &typeName)
{
    if (mToldTransparent)
        return;
    mToldTransparent = true;
    tellInPassing(tr("A file of the type “%1” keeps no transparency: the transparent parts of "
                     "the picture became white in it.")
                      .arg(typeName));
}

void InkpondDocument::tellFlattened(const QString &typeName)
{
    if (mToldFlattened)
        return;
    mToldFlattened = true;
    tellInPassing(tr("A file of the type “%1” holds no layers: they were flattened into it. The "
                     "picture here keeps them; save as OpenRaster to keep them in a file.")
                      .arg(typeName));
}

Document::SaveWork InkpondDocument::pictureWork(const Picture &picture, const QByteArray &extension,
                                                bool withBG, int quality,
                                                std::function<void()> onTransparent)
{
    // Shared by the copies of the work; the tiles are shared with the picture until it paints.
    const std::shared_ptr<const Picture> frozen = picture.frozenCopy();
    return [frozen, extension, withBG, quality, onTransparent](QIODevice &out,
                                       const std::function<bool(double)> &progress,
                                       QString *error) {
        if (extension.toLower() == "ora")
            return OpenRaster::writePicture(out, *frozen, progress, error)
                == OpenRaster::Outcome::Done;
        const Size sheet = frozen->sheetSize();
        if (extension.toLower() == "png"
            && double(sheet.width) * double(sheet.height) > sBandedPixels) {
            // From the tiles a band at a time: no plane of the whole picture is made.
            PngBands::WriteOptions options;
            options.progress = progress;
            return PngBands::write(
                       out, int(std::ceil(sheet.width)), int(std::ceil(sheet.height)),
                       [&](int top, int rows) { return frozen->flattenRows(top, rows, withBG); },
                       options, error)
                == PngBands::Outcome::Done;
        }
        if (!progress(0.0))
            return false;
        std::unique_ptr<Image> flat = frozen->flatten(withBG);
        if (!flat || flat->isNull()) {
            if (error)
                *error = tr("There is not enough memory to flatten the picture.");
            return false;
        }
        if (!progress(0.5))
            return false;
        const bool transparent = ImageCodec::isOpaqueFormat(extension) && hasTransparency(*flat);
        const QByteArray data
            = ImageCodec::encode(std::move(flat->qimage()), extension, quality, error);
        if (data.isEmpty() || out.write(data) != data.size())
            return false;
        if (transparent && onTransparent)
            onTransparent();
        return true;
    };
}

void InkpondDocument::setStartingImage(std::unique_ptr<TiledImage> image)
{
    mStartingImage = std::move(image);
    mStartingLayers.clear();
    mHasStartingPicture = mStartingImage != nullptr;
}

void InkpondDocument::setStartingLayers(std::vector<std::unique_ptr<Layer>> layers, int current)
{
    mStartingLayers = std::move(layers);
    mStartingCurrentLayer = current;
    mStartingImage.reset();
    mHasStartingPicture = !mStartingLayers.empty();
}

bool InkpondDocument::readFromData(const QByteArray &data, const QString &typeName, QString *error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    auto decoded = std::make_unique<TiledImage>(Size {});
    try {
        if (PictureFile::read(buffer, formatHintForType(typeName), decoded.get(), {}, error)
            != PictureFile::Outcome::Done)
            return false;
    } catch (const std::bad_alloc &) {
        if (error)
            *error = tr("There is not enough memory to read the picture.");
        return false;
    }
    setStartingImage(std::move(decoded));
    updateChangeCount(ChangeReadOtherContents);
    return true;
}

std::unique_ptr<TiledImage> InkpondDocument::readPicture(const QUrl &url, const QString &typeName,
                                                         QString *error)
{
    const QString path = url.toLocalFile();
    const QByteArray hint = formatHintForType(typeName);
    auto decoded = std::make_unique<TiledImage>(Size {});
    const ReadWork work = [path, hint, &decoded](const std::function<bool(double)> &progress,
                                                 QString *why) {
        QFile file;
        if (!LocalFile::openForReading(file, path, ImageCodec::kLargestFile, why))
            return false;
        // Decoded from the file as the reader asks for it: its header is read first, and a
        // file that is no picture, or one too large, costs no more than that.
        try {
            return PictureFile::read(file, hint, decoded.get(), progress, why)
                == PictureFile::Outcome::Done;
        } catch (const std::bad_alloc &) {
            if (why)
                *why = LocalFile::notEnoughMemory(path);
            return false;
        }
    };
    const QString label
        = tr("Opening “%1”…").arg(LocalFile::displayName(QFileInfo(path).fileName()));
    if (!readInBackground(label, work, error))
        return nullptr;
    return decoded;
}

std::vector<std::unique_ptr<Layer>> InkpondDocument::readLayers(const QUrl &url, int *current,
                                                                QStringList *notes,
                                                                QString *error)
{
    const QString path = url.toLocalFile();
    OraPicture picture;
    const ReadWork work = [path, &picture](const std::function<bool(double)> &progress,
                                           QString *why) {
        QFile file;
        if (!LocalFile::openForReading(file, path, ImageCodec::kLargestFile, why))
            return false;
        try {
            return OpenRaster::read(file, &picture, progress, why) == OpenRaster::Outcome::Done;
        } catch (const std::bad_alloc &) {
            if (why)
                *why = LocalFile::notEnoughMemory(path);
            return false;
        }
    };
    const QString label
        = tr("Opening “%1”…").arg(LocalFile::displayName(QFileInfo(path).fileName()));
    if (!readInBackground(label, work, error) || picture.layers.empty())
        return {};
    *notes = picture.notes;
    *current = OpenRaster::selectedLayer(picture);
    std::vector<std::unique_ptr<Layer>> layers = OpenRaster::takeLayers(picture);
    return layers;
}

bool InkpondDocument::readFromURL(const QUrl &url, const QString &typeName, QString *error)
{
    if (formatHintForType(typeName) == "ora") {
        int current = 0;
        std::vector<std::unique_ptr<Layer>> layers = readLayers(url, &current, &mReadNotes, error);
        const bool read = !layers.empty();
        if (read)
            setStartingLayers(std::move(layers), current);
        updateChangeCount(ChangeCleared);
        return read;
    }
    std::unique_ptr<TiledImage> decoded = readPicture(url, typeName, error);
    const bool read = decoded != nullptr;
    if (read)
        setStartingImage(std::move(decoded));
    updateChangeCount(ChangeCleared);
    return read;
}

bool InkpondDocument::revertToContentsOfURL(const QUrl &url, const QString &typeName,
                                            QString *error)
{
    if (formatHintForType(typeName) == "ora") {
        int current = 0;
        QStringList notes;
        std::vector<std::unique_ptr<Layer>> layers = readLayers(url, &current, &notes, error);
        if (layers.empty())
            return false;
        if (!mCanvasView) {
            setStartingLayers(std::move(layers), current);
            mReadNotes = notes;
        } else if (!mCanvasView->core().adoptLayers(std::move(layers), current)) {
            if (error)
                *error = tr("There is not enough memory for the picture's layers.");
            return false;
        }
        if (!notes.isEmpty())
            tellInPassing(notes.join(u' '));
        updateChangeCount(ChangeCleared);
        return true;
    }
    std::unique_ptr<TiledImage> decoded = readPicture(url, typeName, error);
    if (!decoded)
        return false;
    if (mCanvasView) {
        const int width = decoded->pixelWidth();
        const int height = decoded->pixelHeight();
        if (!mCanvasView->core().adoptImage(std::move(decoded))) {
            if (error)
                *error = tr("There is not enough memory for a picture of %1 × %2 pixels.")
                             .arg(width)
                             .arg(height);
            return false;
        }
    } else {
        setStartingImage(std::move(decoded));
    }
    updateChangeCount(ChangeCleared);
    return true;
}

QByteArray InkpondDocument::formatHintForType(const QString &typeName) const
{
    const QStringList extensions = extensionsOfType(typeName);
    return extensions.isEmpty() ? QByteArray() : extensions.first().toLatin1();
}
