#pragma once

#include <QImage>
#include <QSize>

class TiledImage;

// A small picture of a layer's pixels, fitted into box with the sheet's proportions, row 0 at
// the top. Only the tiles painted are read, each drawn scaled, so it costs what the layer holds
// rather than the sheet's size.
QImage layerThumbnail(const TiledImage &image, QSize box);
