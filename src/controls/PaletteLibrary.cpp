#include "PaletteLibrary.h"

#include "LocalFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

// Outside any namespace, as Q_INIT_RESOURCE must be.
static void initPaletteResources()
{
    Q_INIT_RESOURCE(Palettes);
}

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("PaletteLibrary", text);
}

const QString kSuffix = QStringLiteral(".gpl");
} // namespace

QString PaletteLibrary::standardFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Inkpond/palettes");
}

QString PaletteLibrary::shippedFile()
{
    initPaletteResources();
    return QStringLiteral(":/palettes/Default.gpl");
}

PaletteLibrary::PaletteLibrary(QString folder)
    : mFolder(std::move(folder))
{
}

QStringList PaletteLibrary::files() const
{
    const auto found = [this] {
        QStringList paths;
        const QDir dir(mFolder);
        for (const QString &name :
             dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files | QDir::Readable,
                           QDir::Name | QDir::IgnoreCase))
            paths << dir.filePath(name);
        return paths;
    };
    QStringList paths = found();
    if (!paths.isEmpty())
        return paths;
    if (QDir().mkpath(mFolder))
        QFile::copy(shippedFile(), QDir(mFolder).filePath(QStringLiteral("Default.gpl")));
    paths = found();
    return paths.isEmpty() ? QStringList {shippedFile()} : paths;
}

std::optional<GimpPalette> PaletteLibrary::load(const QString &file, QStringList *notes,
                                                QString *error)
{
    QFile f;
    QString why;
    if (file.startsWith(QLatin1Char(':'))) {
        f.setFileName(file);
        if (!f.open(QIODevice::ReadOnly))
            why = tr("The palette “%1” could not be read.").arg(QFileInfo(file).fileName());
    } else {
        LocalFile::openForReading(f, file, GimpPalette::kLargestFile, &why);
    }
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    QString notPalette;
    auto palette = GimpPalette::read(f.readAll(), notes, &notPalette);
    if (!palette && error)
        *error = tr("“%1” is not a palette: %2")
                     .arg(LocalFile::displayName(QFileInfo(file).fileName()), notPalette);
    return palette;
}

bool PaletteLibrary::save(const GimpPalette &palette, const QString &file, QString *error)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(palette.write()) >= 0 && out.commit())
        return true;
    if (error)
        *error = tr("The palette could not be saved as “%1”: %2")
                     .arg(LocalFile::displayName(file), out.errorString());
    return false;
}

QString PaletteLibrary::unusedFileFor(const QString &name) const
{
    // A name the file system takes: no separators, not hidden.
    QString base = name.trimmed();
    base.replace(QLatin1Char('/'), QLatin1Char('-'));
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    if (base.isEmpty())
        base = tr("Palette");
    const QDir dir(mFolder);
    QString path = dir.filePath(base + kSuffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1 %2").arg(base).arg(n) + kSuffix);
    return path;
}

std::optional<QString> PaletteLibrary::import(const QString &source, QStringList *notes,
                                              QString *error) const
{
    std::optional<GimpPalette> palette = load(source, notes, error);
    if (!palette)
        return std::nullopt;
    const QString name = palette->name.isEmpty() ? QFileInfo(source).completeBaseName()
                                                 : palette->name;
    // Written afresh rather than copied: what could not be read stays out.
    const QString path = unusedFileFor(name);
    if (!save(*palette, path, error))
        return std::nullopt;
    return path;
}

std::optional<QString> PaletteLibrary::addColor(const QString &file, const QColor &color,
                                                QString *error) const
{
    std::optional<GimpPalette> palette = load(file, nullptr, error);
    if (!palette)
        return std::nullopt;
    if (palette->swatches.size() >= std::size_t(GimpPalette::kMostSwatches)) {
        if (error)
            *error = tr("The palette is full.");
        return std::nullopt;
    }
    // GIMP's files hold no opacity: the colour goes in opaque.
    palette->swatches.push_back({QColor(color.red(), color.green(), color.blue()),
                                 color.name(QColor::HexRgb)});
    const QString path
        = file.startsWith(QLatin1Char(':'))
              ? unusedFileFor(palette->name.isEmpty() ? QStringLiteral("Default") : palette->name)
              : file;
    if (!save(*palette, path, error))
        return std::nullopt;
    return path;
}
