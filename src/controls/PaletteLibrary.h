#pragma once

#include "GimpPalette.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

// The user's palettes: GIMP palette files in Inkpond's data folder, the one shipped with Inkpond
// among them (copied in when the folder holds none). Each change is saved at once.
class PaletteLibrary
{
public:
    // $XDG_DATA_HOME/Inkpond/palettes.
    static QString standardFolder();
    // The shipped palette, read-only.
    static QString shippedFile();

    explicit PaletteLibrary(QString folder = standardFolder());
    QString folder() const { return mFolder; }

    // The palettes' files by name; the shipped one, copied in when it can be, when there are none.
    QStringList files() const;
    // Read as far as it is sound, the notes saying what was left out; nothing, with *error, when
    // the file cannot be read or is no palette.
    static std::optional<GimpPalette> load(const QString &file, QStringList *notes,
                                           QString *error);
    static bool save(const GimpPalette &palette, const QString &file, QString *error);
    // Keeps what can be read of source in the folder, under a file name of its own; that file,
    // or nothing with *error.
    std::optional<QString> import(const QString &source, QStringList *notes, QString *error) const;
    // Appends the colour to the palette and saves it; the shipped one is saved as a copy in the
    // folder. The file saved, or nothing with *error.
    std::optional<QString> addColor(const QString &file, const QColor &color,
                                    QString *error) const;

private:
    QString unusedFileFor(const QString &name) const;

    QString mFolder;
};
