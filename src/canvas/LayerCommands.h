#pragma once

#include "Layer.h"

#include <QImage>
#include <QJsonValue>
#include <optional>

// The commands that change layers, as recordings and the recovery journal name them, and the
// properties' value in them.
namespace LayerCommands {

inline const QString kSelect = QStringLiteral("selectLayer:"); // the index
inline const QString kNew = QStringLiteral("newLayer:");
inline const QString kDuplicate = QStringLiteral("duplicateLayer:");
inline const QString kDelete = QStringLiteral("deleteLayer:");
inline const QString kMove = QStringLiteral("moveLayer:"); // the current layer's new index
inline const QString kMergeDown = QStringLiteral("mergeLayerDown:");
inline const QString kFlatten = QStringLiteral("flattenLayers:");
inline const QString kProperties = QStringLiteral("setLayerProperties:");
inline const QString kMovePixels = QStringLiteral("moveLayerPixels:"); // [dx, dy]
inline const QString kPaste = QStringLiteral("pasteLayer:"); // {x, y, png}

// The longest name a layer keeps.
constexpr int kLongestName = 256;

struct IndexedProperties
{
    int index = 0;
    LayerProperties properties;
};

QJsonValue toJson(int index, const LayerProperties &properties);
// Nothing for a value that is not an object with an index, a name of at most kLongestName,
// an opacity from 0 to 1 and a known mode; flags missing are false, visibility true.
std::optional<IndexedProperties> fromJson(const QJsonValue &value);

// The most base64 a pasted image may take in a recording.
constexpr qsizetype kLongestPastedData = 64 * 1024 * 1024;

struct PlacedImage
{
    QImage image;
    int x = 0; // its bottom-left pixel on the sheet
    int y = 0;
};
QJsonValue pasteToJson(const QImage &image, int x, int y);
// Nothing for a value without whole x and y, or whose png is too long, not a PNG or of a size
// no picture can have.
std::optional<PlacedImage> pasteFromJson(const QJsonValue &value);
// Whole offsets of at most a million pixels, or nothing.
std::optional<std::pair<int, int>> offsetFromJson(const QJsonValue &value);

} // namespace LayerCommands
