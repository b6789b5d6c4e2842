#include "RecoveryTap.h"

#include "CanvasCore.h"
#include "InkpondDocument.h"
#include "Logging.h"
#include "PenSettings.h"
#include "Picture.h"
#include "RecoveryRecord.h"
#include "SessionRecorder.h"
#include "WTView.h"

#include <QJsonArray>
#include <QMessageBox>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>

namespace {

using Kind = SessionEvent::Kind;

// The picture as it is now, in tiles of its own: those of its one layer, shared until the canvas
// paints, or else its layers flattened a band of rows at a time. Only painted tiles are kept, so
// a picture with nothing painted has none. nullptr when memory runs out.
std::shared_ptr<const TiledImage> startingTiles(const Picture &picture)
{
    if (picture.layers().size() == 1 && picture.undoLayers().empty()) {
        const Layer &layer = *picture.layers().front();
        if (layer.isEnabled() && layer.opacity() == 1.0f && layer.blitType() == BlitType::Paint
            && layer.image())
            return std::make_shared<TiledImage>(layer.image()->sharedCopy());
    }
    const Size sheet = picture.sheetSize();
    auto tiles = std::make_shared<TiledImage>(sheet);
    constexpr int kBand = 256;
    for (int top = 0; top < tiles->pixelHeight(); top += kBand) {
        const QImage band = picture.flattenRows(top, std::min(kBand, tiles->pixelHeight() - top),
                                                false);
        if (band.isNull() || !tiles->setRows(top, band))
            return nullptr;
    }
    return tiles;
}

} // namespace

RecoveryTap::RecoveryTap(WTView *canvas, InkpondDocument *document, const QString &root,
                         QThreadPool *worker, std::function<bool()> restoring)
    : QObject(canvas)
    , mCanvas(canvas)
    , mDocument(document)
    , mWorker(worker)
    , mRestoring(std::move(restoring))
{
    mClock.start();
    QString error;
    mRecord = RecoveryRecord::createEmpty(root, &error);
    if (!mRecord) {
        fail(error);
        return;
    }
    connect(&canvas->core(), &CanvasCore::sampleTaken, this,
            [this](SampleKind kind, const PointerSample &sample) {
                if (mRecord && mWorker && !mStopped)
                    pointerInput(SessionRecorder::sampleEvent(kind, sample));
            });
    connect(canvas, &WTView::pictureChanged, this, &RecoveryTap::pictureChanged);
    // Not at every step of a drag or a zoom: once the view rests.
    constexpr int kViewWriteDelayMs = 1000;
    mViewWrite = new QTimer(this);
    mViewWrite->setSingleShot(true);
    mViewWrite->setInterval(kViewWriteDelayMs);
    connect(mViewWrite, &QTimer::timeout, this, &RecoveryTap::writeView);
    connect(canvas, &WTView::viewChanged, mViewWrite, qOverload<>(&QTimer::start));
    connect(document, &Document::changesCleared, this, &RecoveryTap::changesCleared);
    startAgain(!document->hasStartingPicture());
}

RecoveryTap::~RecoveryTap()
{
    detach();
}

void RecoveryTap::detach()
{
    if (!mRecord || !mWorker)
        return;
    // After the start that may still be encoding.
    std::shared_ptr<RecoveryRecord> record = std::move(mRecord);
    mWorker->start([record] { record->discard(); });
}

QString RecoveryTap::folder() const
{
    return mRecord ? mRecord->folder() : QString();
}

void RecoveryTap::waitUntilDurable()
{
    if (mViewWrite && mViewWrite->isActive()) {
        mViewWrite->stop();
        writeView();
    }
    if (mRecord && !mStopped && !mRecord->waitUntilDurable())
        fail(mRecord->errorString());
}

QJsonObject RecoveryTap::penSettings(const WTView &canvas)
{
    const PenSettings &pen = canvas.core().penSettings();
    QJsonArray colors;
    QJsonArray widths;
    QJsonArray brushes;
    for (int slot = 0; slot < PenSettings::kSlots; ++slot) {
        colors.append(colorValue(pen.color(slot)));
        widths.append(double(pen.brushSize(slot)));
        brushes.append(Brush::name(pen.brushKind(slot)));
    }
    return {{QStringLiteral("tool"), canvas.activeColor()},
            {QStringLiteral("colors"), colors},
            {QStringLiteral("widths"), widths},
            {QStringLiteral("brushes"), brushes},
            {QStringLiteral("rubber"), double(pen.rubberSize())},
            {QStringLiteral("eraserShape"), Brush::name(pen.eraserShape())},
            {QStringLiteral("airbrushHardness"), double(canvas.core().airbrushHardness())},
            {QStringLiteral("undoDepth"), canvas.core().undoDepth()}};
}

void RecoveryTap::applyPenSettings(WTView &canvas, const QJsonObject &pen)
{
    const QJsonArray colors = pen.value(QStringLiteral("colors")).toArray();
    const QJsonArray widths = pen.value(QStringLiteral("widths")).toArray();
    const QJsonArray brushes = pen.value(QStringLiteral("brushes")).toArray();
    for (int slot = 0; slot < PenSettings::kSlots && slot < colors.size() && slot < widths.size(); ++slot) {
        const Color color = colorFromValue(colors[slot]);
        canvas.setActiveColor(slot + 1);
        canvas.setColor(&color);
        canvas.setBrushSize(float(widths[slot].toDouble()));
        // Records from before nibs painted with the pen.
        canvas.core().setBrushKind(
            Brush::fromName(brushes.at(slot).toString()).value_or(BrushKind::Pen));
    }
    canvas.core().setEraserShape(
        Brush::fromName(pen.value(QStringLiteral("eraserShape")).toString())
            .value_or(BrushKind::Pen));
    canvas.core().setAirbrushHardness(
        float(pen.value(QStringLiteral("airbrushHardness")).toDouble(0.0)));
    if (pen.contains(QStringLiteral("rubber"))) {
        canvas.setActiveColor(0);
        canvas.setBrushSize(float(pen.value(QStringLiteral("rubber")).toDouble()));
    }
    const int tool = pen.value(QStringLiteral("tool")).toInt(1);
    canvas.setActiveColor(tool >= 0 && tool <= PenSettings::kSlots ? tool : 1);
    // Records from before the setting was kept were made with the depth it had then.
    canvas.core().setUndoDepth(
        pen.value(QStringLiteral("undoDepth")).toInt(Picture::kDefaultUndoDepth));
}

SessionEvent RecoveryTap::setting(const QString &name, const QJsonValue &value) const
{
    SessionEvent e;
    e.kind = Kind::Action;
    e.t = mClock.elapsed();
    e.name = name;
    e.value = value;
    return e;
}

// Seen before the canvas takes it.
void RecoveryTap::pointerInput(SessionEvent event)
{
    event.t = mClock.elapsed();
    switch (event.kind) {
    case Kind::Press: {
        const bool commitsLine = mCanvas->core().isDrawingLine();
        if (mCanvas->core().isTrackingStroke()) {
            // The canvas ends the stroke whose release never came before taking this press.
            SessionEvent release = mPending.empty() ? event : mPending.back();
            release.kind = Kind::Release;
            mPending.push_back(release);
            mPendingEnd = mPending.size();
        } else if (!commitsLine) {
            mPending.clear(); // a line given up, or a press that painted nothing
            noteSheetSize();
        }
        // What the last stroke did is on the disk before the next begins; a restore replays
        // too many strokes to wait for each.
        if (!mRestoring())
            waitUntilDurable();
        event.t = mClock.elapsed();
        // The pen as this press finds it, whatever changed it: a control, or the pointer that
        // came near (announced first, as the application does, so that its remembered tool
        // is not taken on the press). Choosing a tool would give up a pending line, and
        // cannot have happened during one.
        if (!commitsLine) {
            if (event.pointer != QLatin1String("mouse")) {
                SessionEvent arrival = event;
                arrival.kind = Kind::Proximity;
                arrival.enter = true;
                arrival.id = 0;
                mPending.push_back(arrival);
            }
            mPending.push_back(setting(QStringLiteral("setActiveColor:"), mCanvas->activeColor()));
        }
        if (const Color *color = mCanvas->color())
            mPending.push_back(setting(QStringLiteral("setColor:"), colorValue(*color)));
        mPending.push_back(setting(QStringLiteral("setBrushSize:"), double(mCanvas->brushSize())));
        const CanvasCore &core = mCanvas->core();
        const BrushKind nib = core.erasing() ? core.eraserShape() : core.brushKind();
        mPending.push_back(core.erasing()
                               ? setting(QStringLiteral("setEraserShape:"), Brush::name(nib))
                               : setting(QStringLiteral("setBrushKind:"), Brush::name(nib)));
        if (nib == BrushKind::Airbrush)
            mPending.push_back(
                setting(QStringLiteral("setAirbrushHardness:"), double(core.airbrushHardness())));
        // Said only while it matters, and once more to end it: most presses find it off.
        const bool lineMode = core.lineMode() != CanvasCore::LineMode::Off;
        if (lineMode || mLineModeNoted)
            mPending.push_back(setting(QStringLiteral("setLineMode:"), int(core.lineMode())));
        mLineModeNoted = lineMode;
        mPending.push_back(std::move(event));
        break;
    }
    case Kind::Move:
        if (mCanvas->core().isTrackingStroke())
            mPending.push_back(std::move(event));
        break;
    case Kind::Release:
        if (!mPending.empty())
            mPending.push_back(std::move(event));
        break;
    default:
        break; // hovering changes nothing
    }
}

void RecoveryTap::pictureChanged(const QString &command, const QJsonValue &value)
{
    if (!mRecord || mStopped || !mCanvas)
        return;
    if (!command.isEmpty()) {
        append({setting(command, value)});
        mSheet = mCanvas->sheetSize(); // as the command's replay leaves it
        return;
    }
    // A stroke or a line: the input that made it.
    const std::size_t end = std::min(mPendingEnd.value_or(mPending.size()), mPending.size());
    mPendingEnd.reset();
    std::vector<SessionEvent> unit(mPending.begin(), mPending.begin() + std::ptrdiff_t(end));
    mPending.erase(mPending.begin(), mPending.begin() + std::ptrdiff_t(end));
    if (unit.empty())
        return;
    // A line is made on its press; its release is still to come.
    if (unit.back().kind != Kind::Release) {
        SessionEvent release = unit.back();
        release.kind = Kind::Release;
        unit.push_back(release);
    }
    append(std::move(unit));
}

void RecoveryTap::changesCleared()
{
    if (!mRecord || mStopped || !mCanvas || !mDocument || !mWorker)
        return;
    if (mCanvas->picture().undoLayers().empty() && !mCanvas->canRedo()) {
        startAgain(false);
        return;
    }
    // Saved with strokes still to undo or redo: everything so far is saved, the start stays.
    append({setting(QStringLiteral("changesCleared:"), {})});
    const QString path = mDocument->fileURL().toLocalFile();
    const QString type = mDocument->fileType();
    std::shared_ptr<RecoveryRecord> record = mRecord;
    mWorker->start([record, path, type] {
        if (!record->writeDocumentInfo(path, type))
            qCWarning(lcRecovery).noquote() << record->errorString();
    });
}

void RecoveryTap::startAgain(bool blank)
{
    RecoveryStart start;
    const Size sheet = mCanvas->sheetSize();
    mSheet = sheet;
    start.size = QSize(int(sheet.width), int(sheet.height));
    start.pen = penSettings(*mCanvas);
    start.path = mDocument->fileURL().toLocalFile();
    start.type = mDocument->fileType();
    start.edited = mDocument->isDocumentEdited();
    if (!blank && mCanvas->picture().layers().size() > 1) {
        // Its layers, as they are now, for the worker to write.
        start.layered = mCanvas->picture().frozenCopy();
    } else if (!blank) {
        std::shared_ptr<const TiledImage> picture = startingTiles(mCanvas->picture());
        if (!picture) {
            fail(tr("There is not enough memory to keep the picture it starts from."));
            return;
        }
        if (!picture->isEmpty())
            start.base = std::move(picture);
    }
    const int generation = mRecord->beginStart(start);
    if (generation == 0) {
        fail(mRecord->errorString());
        return;
    }
    std::shared_ptr<RecoveryRecord> record = mRecord;
    mWorker->start([record, start, generation] {
        if (!record->writeStart(start, generation))
            qCWarning(lcRecovery).noquote() << record->errorString();
    });
}

// A sheet given its size by other means than a command (a new document of another size, as
// --replay --sheet makes): the record says so before anything is drawn on it.
void RecoveryTap::noteSheetSize()
{
    const Size sheet = mCanvas->sheetSize();
    if (sheet == mSheet)
        return;
    mSheet = sheet;
    append({setting(QStringLiteral("resizeSheet:"),
                    QJsonArray {0.0, 0.0, double(sheet.width), double(sheet.height)})});
}

void RecoveryTap::writeView()
{
    if (!mRecord || mStopped || !mCanvas || !mWorker)
        return;
    std::shared_ptr<RecoveryRecord> record = mRecord;
    mWorker->start([record, view = mCanvas->viewport().view().toJson()] {
        if (!record->writeView(view))
            qCWarning(lcRecovery).noquote() << record->errorString();
    });
}

void RecoveryTap::append(std::vector<SessionEvent> unit)
{
    // A start that could not be written on the worker stops the record too.
    if (mRecord && !mStopped && (mRecord->isBroken() || !mRecord->append(unit)))
        fail(mRecord->errorString());
}

// Recording stops; the document goes on. The record keeps what it holds, for a crash, until the
// document closes. The user is told once a session, on the document's window once it shows, so
// that the picture is saved while it can be.
void RecoveryTap::fail(const QString &why)
{
    const QString name = mDocument ? mDocument->displayName() : QString();
    qCWarning(lcRecovery).noquote().nospace()
        << '"' << name << "\" is no longer kept for recovery: " << why;
    mStopped = true;
    mPending.clear();
    static bool told = false;
    if (told || !mCanvas)
        return;
    told = true;
    QTimer::singleShot(0, mCanvas, [canvas = mCanvas, name, why] {
        auto *box = new QMessageBox(
            QMessageBox::Warning, tr("Inkpond"),
            tr("“%1” can no longer be kept for recovery after a crash.").arg(name), QMessageBox::Ok,
            canvas->window());
        box->setObjectName(QStringLiteral("recoveryOffAlert"));
        box->setInformativeText(tr("Save your picture to keep it safe. The reason: %1").arg(why));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}
