#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// How a layer's pixels combine with what lies under it: the separable modes every painting
// program shares, so that a layered file keeps its look between them.
enum class BlendMode { Normal, Multiply, Screen, Overlay, Darken, Lighten };

// The OpenRaster composite-op ("svg:multiply", …).
QString oraCompositeOp(BlendMode mode);
// An unknown op is Normal, with *known (when given) false.
BlendMode blendModeFromOra(QStringView op, bool *known = nullptr);

// Short names that settings and recordings keep ("normal", "multiply", …): they never change.
QString blendModeName(BlendMode mode);
// Nothing for any text that is not one of the names.
std::optional<BlendMode> blendModeFromName(QStringView name);

// Composites n premultiplied ARGB32 pixels of src onto dst (source over, with the mode's blend
// of the colours where both are present), the source's alpha first scaled by opacity (0..255).
void blendRow(quint32 *dst, const quint32 *src, int n, BlendMode mode, int opacity);
