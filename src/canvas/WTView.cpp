#include "WTView.h"

#include "NotificationCenter.h"
#include "PenSettings.h"
#include "Preferences.h"

#include <QAbstractButton>
#include <QKeyEvent>

WTView::WTView(const Rect &frame, QWidget *parent, Preferences *store)
    : QWidget(parent)
    , mCore(new CanvasCore(frame.size, store ? *store : Preferences::standard(), this))
    , mViewport(new CanvasViewport([this] { return sheetSize(); }, this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setTabletTracking(true); // hover moves name the pointer on drivers without proximity

    connectCore();
    connect(mViewport, &CanvasViewport::changed, this, &WTView::viewMoved);
    applyMouseTracking();
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
    setFrame(frame);
}

WTView::~WTView() = default;

void WTView::connectCore()
{
    connect(mCore, &CanvasCore::penChanged, this, [this] {
        refreshHoverMarks();
        emit penChanged();
    });
    connect(mCore, &CanvasCore::pictureChanged, this, &WTView::pictureChanged);
    connect(mCore, &CanvasCore::commandChosen, this, &WTView::commandChosen);
    connect(mCore, &CanvasCore::canRedoChanged, this, &WTView::canRedoChanged);
    connect(mCore, &CanvasCore::strokeDirtied, this, &WTView::setNeedsDisplayInRect);
    connect(mCore, &CanvasCore::dirtied, this,
            [this](const Rect &r) { update(mViewport->dirtyRect(r)); });
    connect(mCore, &CanvasCore::dirtiedAll, this, [this] { update(); });
    connect(mCore, &CanvasCore::sheetResized, this, &WTView::sheetResized);
    connect(mCore, &CanvasCore::sheetRefused, this, &WTView::refuseSheetSize);
    connect(mCore, &CanvasCore::hoverWanted, this, &WTView::setAcceptsMouseMovedEvents);
    connect(mCore, &CanvasCore::pickingChanged, this, &WTView::showPicking);
    connect(mCore, &CanvasCore::moveToolChanged, this, &WTView::showPicking);
    connect(mCore, &CanvasCore::pointerLeftProximity, this, &WTView::hideHoverMarks);
    mCore->setCropConfirmation([this](const Rect &r) { confirmCropResize(r); });
}

void WTView::setRubberButton(QAbstractButton *button)
{
    connect(mCore, &CanvasCore::penChanged, button,
            [this, button] { button->setChecked(mCore->erasing()); });
}

void WTView::setAcceptsMouseMovedEvents(bool accept)
{
    mHoverWanted = accept;
    applyMouseTracking();
    setTabletTracking(true);
}

void WTView::cancelOperation(QObject *)
{
    // Escape gives up a floating paste first, and the Move tool only when there is none.
    const bool floating = mCore->hasFloatingPaste();
    mCore->cancelOperation();
    mCore->setLineMode(CanvasCore::LineMode::Off); // Escape ends a chain of lines too
    if (!floating)
        mCore->leaveMoveTool();
}

void WTView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cancelOperation(this);
        return;
    }
    if (pasteKey(event) || navigationKey(event))
        return;
    QWidget::keyPressEvent(event);
}

void WTView::setToolFromTag(QObject *sender)
{
    if (!sender)
        return;
    const QVariant tag = sender->property("tag");
    const auto tool = Preferences::toInteger(tag);
    if (tool)
        mCore->setActiveColor(int(*tool));
}

void WTView::startFollowingProximity()
{
    mCore->followProximity(NotificationCenter::defaultCenter());
}

void WTView::undo(QObject *)
{
    mCore->undo();
}

void WTView::redo(QObject *)
{
    mCore->redo();
}
