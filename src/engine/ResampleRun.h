#pragma once

#include <QtGlobal>

// A run of a row's pixels whose every neighbour lies in one tile, where the paper (if any) is
// whole: what the vector code takes. Positions are in 1/65536 of a source pixel from the tile's
// bottom-left; bilinear runs start at the first pixel's centre less half a pixel, nearest ones
// at its centre.
struct ResampleRun
{
    quint32 *dst = nullptr;
    int count = 0;
    const quint32 *bottom = nullptr; // the tile's pixel (0, 0); nullptr: nothing painted
    qint32 up = 0; // from a pixel to the one above it
    qint32 u = 0;
    qint32 v = 0;
    qint32 du = 0;
    qint32 dv = 0;
    quint32 paper = 0; // premultiplied, under the tile; 0 for none
    bool nearest = false;
};

// Lays the run's samples source-over its pixels, with the widest vectors the processor has.
void resampleRun(const ResampleRun &run);
