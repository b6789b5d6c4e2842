#include "TestSupport.h"

#include "Preferences.h"

#include <QSettings>

IsolatedSettings::IsolatedSettings() : m_dir(std::make_unique<QTemporaryDir>())
{
    qputenv("XDG_CONFIG_HOME", m_dir->path().toUtf8());
    Preferences::resetStandard(filePath());
}

IsolatedSettings::~IsolatedSettings()
{
    Preferences::resetStandard(filePath() + QStringLiteral(".gone"));
}

QString IsolatedSettings::filePath() const
{
    return m_dir->path() + QStringLiteral("/Inkpond/Inkpond.conf");
}

QString IsolatedSettings::storedValue(const QString &key) const
{
    Preferences::standard().synchronize();
    QSettings file(filePath(), QSettings::IniFormat);
    return file.value(key).toString();
}

QRgb pixelAt(const Image &image, int px, int py)
{
    return image.pixel(px, py);
}

qint64 differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    qint64 n = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(ca.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(cb.constScanLine(y));
        for (int x = 0; x < ca.width(); ++x)
            n += ra[x] != rb[x];
    }
    return n;
}

char *toString(const Rect &r)
{
    return qstrdup(qPrintable(stringFromRect(r)));
}

char *toString(const Size &s)
{
    return qstrdup(qPrintable(QStringLiteral("{%1, %2}").arg(s.width).arg(s.height)));
}

char *toString(const Point &p)
{
    return qstrdup(qPrintable(QStringLiteral("(%1, %2)").arg(p.x).arg(p.y)));
}
