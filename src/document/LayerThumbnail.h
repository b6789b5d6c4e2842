#pragma once

#include <QImage>
#include <QSize>

class Picture;

// A small picture of one of the picture's layers (counted from the bottom) as the user sees it,
// with the strokes its history still holds over it, fitted into box with the sheet's
// proportions, row 0 at the top. Only painted tiles are read, each drawn scaled, so it costs
// what the layer holds rather than the sheet's size.
QImage layerThumbnail(const Picture &picture, int index, QSize box);
