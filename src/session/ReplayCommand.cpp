#include "ReplayCommand.h"

#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "Image.h"
#include "ImageCodec.h"
#include "InkpondDocument.h"
#include "Logging.h"
#include "Preferences.h"
#include "SessionEvent.h"
#include "SessionReplayer.h"
#include "WTView.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <cstdio>

namespace {
void tell(const QString &text)
{
    qCWarning(lcSession).noquote() << text;
}

// A fresh store for the replayed canvas's settings, for the replay's lifetime: the replay
// starts from the registered defaults and the settings the recording sets, and the user's own
// settings are left alone.
class OwnPreferences
{
public:
    bool isValid() const { return mDir.isValid(); }
    Preferences &store() { return mStore; }

private:
    QTemporaryDir mDir;
    Preferences mStore {mDir.filePath(QStringLiteral("Inkpond.conf"))};
};
} // namespace

std::optional<Size> parseSheetSize(const QString &text)
{
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[x×X]")));
    if (parts.size() != 2)
        return std::nullopt;
    bool okW = false;
    bool okH = false;
    const float w = parts[0].trimmed().toFloat(&okW);
    const float h = parts[1].trimmed().toFloat(&okH);
    if (!okW || !okH || !std::isfinite(w) || !std::isfinite(h) || w <= 0 || h <= 0)
        return std::nullopt;
    return Size {w, h};
}

bool canExportTo(const QString &path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    return suffix == "ora"
        || (!suffix.isEmpty() && QImageWriter::supportedImageFormats().contains(suffix));
}

bool exportPicture(WTView &canvas, const QString &path, bool withBackground, QString *error,
                   int quality)
{
    // A failed export leaves whatever file was there as it was.
    return Document::writeWorkToFile(
        path,
        InkpondDocument::pictureWork(canvas.picture(),
                                     QFileInfo(path).suffix().toLower().toLatin1(), withBackground,
                                     quality),
        {}, error);
}

int runReplay(const ReplayOptions &options, DocumentController &documents)
{
    const bool replaying = !options.file.isEmpty();
    SessionReadResult read;
    if (replaying) {
        QFile file(options.file);
        if (!file.open(QIODevice::ReadOnly)) {
            tell(QStringLiteral("cannot read the recording %1: %2")
                     .arg(options.file, file.errorString()));
            return kReplayRefused;
        }
        read = readSession(file);
        if (!read.ok()) {
            tell(QStringLiteral("%1:%2: %3").arg(options.file).arg(read.errorLine).arg(read.error));
            return kReplayRefused;
        }
    }
    if (!options.exportPath.isEmpty() && !canExportTo(options.exportPath)) {
        tell(QStringLiteral("cannot export to %1: no image type has that extension")
                 .arg(options.exportPath));
        return kReplayRefused;
    }
    if (options.sheet && !Image::isValidSize(*options.sheet)) {
        tell(QStringLiteral("a sheet of %1 x %2 points cannot be made")
                 .arg(double(options.sheet->width))
                 .arg(double(options.sheet->height)));
        return kReplayRefused;
    }

    OwnPreferences preferences;
    if (!preferences.isValid()) {
        tell(QStringLiteral("no temporary folder for the replay's preferences"));
        return kReplayFailed;
    }
    CanvasDialogs dialogs;
    QString error;
    auto fresh = std::make_unique<InkpondDocument>();
    fresh->setSettingsStore(&preferences.store());
    fresh->setCanvasQuestions(&dialogs);
    if (!options.startFile.isEmpty()) {
        const QUrl url = QUrl::fromLocalFile(options.startFile);
        if (!fresh->readFromURL(url, documents.typeForContentsOfURL(url), &error)) {
            tell(QStringLiteral("cannot open %1: %2").arg(options.startFile, error));
            return kReplayRefused;
        }
    }
    QPointer<Document> document = documents.openUntitledDocument(std::move(fresh), true);
    auto *inkpond = qobject_cast<InkpondDocument *>(document.data());
    QPointer<WTView> canvas = inkpond ? inkpond->canvas() : nullptr;
    if (!canvas) {
        tell(QStringLiteral("no document to replay into: %1").arg(error));
        if (document)
            document->close(); // it would outlive the settings and dialogs given to it
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return kReplayFailed;
    }
    if (options.sheet && !canvas->setSheetSize(*options.sheet)) {
        tell(QStringLiteral("there is not enough memory for a sheet of %1 x %2 points")
                 .arg(double(options.sheet->width))
                 .arg(double(options.sheet->height)));
        document->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return kReplayRefused;
    }
    QCoreApplication::processEvents(); // the window shown and laid out

    SessionReplayer replayer(std::move(read.events), canvas);
    if (replaying) {
        replayer.setPace(options.realtime ? SessionReplayer::Pace::Realtime
                                          : SessionReplayer::Pace::AsFastAsPossible);
        replayer.replayAll();
        QCoreApplication::processEvents(); // what the last events left for the event loop
        for (const QString &warning : replayer.warnings())
            tell(QStringLiteral("%1: %2").arg(options.file, warning));
    }

    int status = kReplayOK;
    if (!options.exportPath.isEmpty()) {
        if (!canvas) {
            tell(QStringLiteral("the canvas was closed; nothing to export"));
            status = kReplayFailed;
        } else if (!exportPicture(*canvas, options.exportPath, options.withBackground, &error,
                                         options.quality)) {
            tell(QStringLiteral("cannot export to %1: %2").arg(options.exportPath, error));
            status = kReplayFailed;
        }
    }
    if (replaying) {
        std::printf("%s\n", qPrintable(replayer.statistics().summary()));
        std::fflush(stdout);
    }
    if (options.keepOpen)
        QCoreApplication::exec();

    if (document)
        document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
