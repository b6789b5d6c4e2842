#pragma once

#include "OpenRaster.h"

#include <memory>
#include <vector>

class Layer;
class Picture;

// A picture's layers to and from OpenRaster: every layer as it shows, with its strokes still in
// the history painted in, and the layers read back into a stack the picture can take.
namespace OpenRaster {

// The picture's layers, top first, their tiles shared with it; false when a layer could not be
// assembled (no memory for a tile).
bool layersOfPicture(const Picture &picture, OraPicture *out, QString *error = nullptr);

// The picture written as a file: its layers and, as the merged image, its composite without
// paper. Meant for a frozen copy on the thread that saves.
Outcome writePicture(QIODevice &device, const Picture &picture, const Progress &progress = {},
                     QString *error = nullptr);
Outcome writePicture(const QString &path, const Picture &picture, const Progress &progress = {},
                     QString *error = nullptr);

// The layers read, bottom first as a picture holds them; the read picture gives up its images.
std::vector<std::unique_ptr<Layer>> takeLayers(OraPicture &picture);
// The layer to paint on first, bottom first: the one the file marks selected, else the top one.
int selectedLayer(const OraPicture &picture);

} // namespace OpenRaster
