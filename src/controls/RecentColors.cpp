#include "RecentColors.h"

#include "CanvasCore.h"
#include "HexColorField.h"
#include "NotificationCenter.h"
#include "ProgramKeys.h"
#include "Preferences.h"

namespace {
const QString kRecentColorsChanged = QStringLiteral("InkpondRecentColorsChanged");
} // namespace

RecentColors::RecentColors(Preferences &store, QObject *parent)
    : QObject(parent)
    , mStore(store)
{
    load();
    NotificationCenter::defaultCenter().addObserver(
        this, kRecentColorsChanged, [this](const Notification &) { load(); }, &mStore);
}

RecentColors::~RecentColors()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void RecentColors::load()
{
    QList<QColor> colors;
    // Whatever is not a colour, or repeats one, is passed over.
    for (const QString &text : mStore.stringArrayForKey(ProgramKeys::kRecentColors)
                                   .value_or(QStringList()))
        if (const auto color = HexColor::parse(text);
            color && !colors.contains(*color) && colors.size() < kMost)
            colors << *color;
    if (colors == mColors)
        return;
    mColors = colors;
    emit changed();
}

void RecentColors::add(const QColor &chosen)
{
    if (!chosen.isValid())
        return;
    // As the store keeps it, so that colours alike in it are one.
    const QColor color = QColor::fromRgba(chosen.rgba());
    if (!mColors.isEmpty() && mColors.first() == color)
        return;
    QList<QColor> colors = mColors;
    colors.removeAll(color);
    colors.prepend(color);
    while (colors.size() > kMost)
        colors.removeLast();
    QStringList stored;
    for (const QColor &c : std::as_const(colors))
        stored << HexColor::formatWithAlpha(c);
    mStore.setStringArray(stored, ProgramKeys::kRecentColors);
    // This model too loads it from the store.
    NotificationCenter::defaultCenter().post(kRecentColorsChanged, &mStore);
}

void RecentColors::follow(CanvasCore &core)
{
    connect(&core, &CanvasCore::pictureChanged, this,
            [this, &core](const QString &command, const QJsonValue &) {
                // A stroke or line ends with no command; the rest name theirs.
                if (command.isEmpty())
                    strokeEnded(core);
            });
}

void RecentColors::strokeEnded(const CanvasCore &core)
{
    const Color *color = core.color();
    const auto &history = core.picture().undoLayers();
    // The newest snapshot is the stroke's; what it touched inside the sheet is what it painted.
    if (!color || history.empty() || isEmptyRect(history.back()->paintedBounds()))
        return;
    const QColor painted = color->toQColor();
    if (painted.alpha() > 0)
        add(painted);
}
