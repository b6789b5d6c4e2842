#include "Preferences.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <cmath>

namespace {
std::unique_ptr<Preferences> &standardInstance()
{
    static std::unique_ptr<Preferences> p;
    return p;
}
} // namespace

QString Preferences::standardFilePath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Inkpond/Inkpond.conf");
}

Preferences &Preferences::standard()
{
    auto &p = standardInstance();
    if (!p)
        p = std::make_unique<Preferences>(standardFilePath());
    return *p;
}

void Preferences::resetStandard(const QString &iniPath)
{
    standardInstance() = std::make_unique<Preferences>(iniPath);
}

Preferences::Preferences(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

Preferences::~Preferences() = default;

void Preferences::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
}

QVariant Preferences::objectForKey(const QString &key) const
{
    if (m_settings->contains(key))
        return m_settings->value(key);
    return m_registered.value(key);
}

QVariant Preferences::registeredDefault(const QString &key) const
{
    return m_registered.value(key);
}

bool Preferences::hasStoredValue(const QString &key) const
{
    return m_settings->contains(key);
}

std::optional<qint64> Preferences::toInteger(const QVariant &v)
{
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const qint64 i = v.toLongLong(&ok);
    if (ok)
        return i;
    // "3.0" and the like: whole numbers written as floats.
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d) && d == std::trunc(d) && std::abs(d) < 9.0e15)
        return qint64(d);
    return std::nullopt;
}

std::optional<float> Preferences::toFloat(const QVariant &v)
{
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const float f = v.toFloat(&ok);
    if (!ok)
        return std::nullopt;
    return f;
}

qint64 Preferences::integerForKey(const QString &key) const
{
    return toInteger(objectForKey(key)).value_or(0);
}

float Preferences::floatForKey(const QString &key) const
{
    return toFloat(objectForKey(key)).value_or(0.0f);
}

QByteArray Preferences::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

std::optional<QStringList> Preferences::stringArrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    // The INI format gives a one-element list back as a plain string.
    if (v.typeId() == QMetaType::QString)
        return QStringList {v.toString()};
    if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList list;
    for (const QVariant &item : v.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        list << item.toString();
    }
    return list;
}

void Preferences::setInteger(qint64 value, const QString &key)
{
    m_settings->setValue(key, value);
}

void Preferences::setFloat(float value, const QString &key)
{
    m_settings->setValue(key, value);
}

void Preferences::setData(const QByteArray &value, const QString &key)
{
    m_settings->setValue(key, value);
}

void Preferences::setStringArray(const QStringList &value, const QString &key)
{
    m_settings->setValue(key, value);
}

void Preferences::removeObjectForKey(const QString &key)
{
    m_settings->remove(key);
}

void Preferences::synchronize()
{
    m_settings->sync();
}

QString Preferences::filePath() const
{
    return m_settings->fileName();
}
