#include "PreferenceKeys.h"

#include "PressureCurve.h"

#include <QStringList>

namespace PreferenceKeys {

namespace {
const QString kToolKeys[4] = {QStringLiteral("UnknownColor"), QStringLiteral("PenColor"),
                              QStringLiteral("CursorColor"), QStringLiteral("EraserColor")};
} // namespace

QString colorKey(int slot)
{
    return QStringLiteral("Color%1").arg(slot);
}

QString brushSizeKey(int slot)
{
    return QStringLiteral("BrushSize%1").arg(slot);
}

QString toolKeyForPointerType(PointerType pointerType)
{
    return kToolKeys[int(pointerType)];
}

QString toolbarConfigurationKey(const QString &toolbarIdentifier)
{
    return QStringLiteral("ToolbarItems.%1").arg(toolbarIdentifier);
}

Color defaultColor()
{
    return {0.1f, 0.0f, 0.2f, 1.0f};
}

QVariantMap registeredDefaults()
{
    QVariantMap d;
    for (int i = 0; i < 4; ++i) {
        d.insert(colorKey(i), archiveColor(defaultColor()));
        d.insert(brushSizeKey(i), 10.0f);
    }
    d.insert(kRubberSize, 10.0f);
    d.insert(kBgType, 1);
    d.insert(kPressureCurve, int(PressureCurve::Preset::Linear));
    // A gentle S to start shaping from.
    d.insert(kCustomPressureCurve,
             QStringList {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0.3"),
                          QStringLiteral("0.2"), QStringLiteral("0.7"), QStringLiteral("0.8"),
                          QStringLiteral("1"), QStringLiteral("1")});
    d.insert(kMinimumWidth, 0.0f);
    d.insert(kSmoothing, 0);
    d.insert(kUndoDepth, 10);
    d.insert(kTreatEveryPointerAsTip, 0);
    d.insert(kTabletMonitor, 0); // off: opening /dev/input exposes keyboards too
    d.insert(kToolKeys[0], 1); // unknown pointer: slot 0
    d.insert(kToolKeys[1], 1); // pen tip: slot 0
    d.insert(kToolKeys[2], 1); // puck: slot 0
    d.insert(kToolKeys[3], 0); // eraser end: the eraser
    return d;
}

} // namespace PreferenceKeys
