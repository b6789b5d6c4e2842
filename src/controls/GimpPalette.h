#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A palette of swatches as GIMP keeps it (a `.gpl` file), the form Linux painters share palettes
// in: a "GIMP Palette" header, optional Name: and Columns: lines, # comments, and "R G B name"
// rows of 0..255.
struct GimpPalette
{
    struct Swatch
    {
        QColor color;
        QString name;
        bool operator==(const Swatch &) const = default;
    };

    // Rows past this are not read: a palette is for picking from.
    static constexpr int kMostSwatches = 4096;
    // A file larger than this is no palette.
    static constexpr qint64 kLargestFile = qint64(4) << 20;

    QString name;
    int columns = 0; // 0: as many as fit
    std::vector<Swatch> swatches;

    bool operator==(const GimpPalette &) const = default;

    // The palette in the file's bytes, read as far as it is sound: rows that are not colours are
    // left out, with a note naming their line. Nothing, with *error, when the bytes are no palette.
    static std::optional<GimpPalette> read(const QByteArray &bytes, QStringList *notes,
                                           QString *error);
    // As GIMP writes it; reads back the same.
    QByteArray write() const;
};
