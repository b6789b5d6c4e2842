#include "Preferences.h"

#include "Assert.h"
#include "Logging.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <sys/stat.h>

// QSettings writes on its own after a change; those writes go through the same checks as ours.
class Preferences::Store : public QSettings
{
public:
    Store(const QString &iniPath, Preferences &owner)
        : QSettings(iniPath, QSettings::IniFormat)
        , mOwner(owner)
    {
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::UpdateRequest)
            return QSettings::event(event);
        mOwner.synchronize();
        return true;
    }

private:
    Preferences &mOwner;
};

namespace {
// QFileInfo::isFile() holds for devices too.
bool isSpecialFile(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::unique_ptr<Preferences> &standardInstance()
{
    static std::unique_ptr<Preferences> p;
    return p;
}

// QSettings reads an open quote or a trailing backslash on through the lines after it, so a
// line is kept only when it cannot swallow its neighbours.
bool isWellFormed(const QByteArray &line)
{
    for (char c : line) {
        if ((uchar(c) < 0x20 && c != '\t') || c == 0x7f)
            return false;
    }
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
        return true;
    if (t.startsWith('['))
        return t.endsWith(']') && t.count('[') == 1 && t.count(']') == 1;
    const qsizetype equals = t.indexOf('=');
    if (equals <= 0)
        return false;
    bool quoted = false;
    for (qsizetype i = equals + 1; i < t.size(); ++i) {
        if (t[i] == '\\') {
            if (++i == t.size())
                return false;
        } else if (t[i] == '"') {
            quoted = !quoted;
        }
    }
    return !quoted;
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
    : mSettings(std::make_unique<Store>(iniPath, *this))
{
    keepReadableLines();
}

Preferences::~Preferences()
{
    // QSettings writes what is pending when destroyed, and would wait for ever on the lock.
    if (mUnsaved && !canWrite())
        (void)mSettings.release();
}

void Preferences::keepReadableLines()
{
    QFile file(filePath());
    if (isSpecialFile(filePath()) || !file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QByteArray kept;
    bool damaged = false;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const bool good = isWellFormed(line);
        damaged = damaged || !good;
        if (good)
            kept += line + '\n';
    }
    if (!damaged)
        return;

    const QString aside = filePath() + QStringLiteral(".damaged");
    QFile::remove(aside);
    // Without a copy the damaged file stays as it is: the lines that can be read serve, unsaved.
    mDamagedWithoutCopy = !QFile::copy(filePath(), aside);
    if (!mDamagedWithoutCopy)
        qCWarning(lcSettings, "%s is damaged; the lines that can be read are kept, the file as it "
                              "was is in %s",
                  qPrintable(filePath()), qPrintable(aside));
    QTemporaryFile cleanFile;
    if (!cleanFile.open())
        return;
    cleanFile.write(kept);
    cleanFile.close();
    const QSettings clean(cleanFile.fileName(), QSettings::IniFormat);
    mSettings->clear();
    mUnsaved = true;
    for (const QString &key : clean.allKeys())
        mSettings->setValue(key, clean.value(key));
}

bool Preferences::canWrite()
{
    const QFileInfo info(filePath());
    QString problem;
    if (mDamagedWithoutCopy) {
        problem = QStringLiteral("it is damaged and cannot be copied aside");
    } else if (isSpecialFile(filePath())) {
        problem = QStringLiteral("it is not a regular file");
    } else if (QFileInfo::exists(info.path())) {
        // QSettings waits for its lock without end; a lock we cannot take soon is given up.
        QLockFile lock(filePath() + QStringLiteral(".lock"));
        if (lock.tryLock(500))
            return true;
        problem = QStringLiteral("its lock file cannot be taken");
    } else {
        return true;
    }
    if (!mRefusalReported)
        qCWarning(lcSettings, "settings cannot be saved to %s: %s", qPrintable(filePath()),
                  qPrintable(problem));
    mRefusalReported = true;
    return false;
}

void Preferences::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        mRegistered.insert(it.key(), it.value());
}

QVariant Preferences::objectForKey(const QString &key) const
{
    if (mSettings->contains(key))
        return mSettings->value(key);
    return mRegistered.value(key);
}

QVariant Preferences::registeredDefault(const QString &key) const
{
    return mRegistered.value(key);
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

const NumberKey &findNumberKey(const std::vector<NumberKey> &keys, const QString &key)
{
    const auto k = std::find_if(keys.begin(), keys.end(),
                                [&key](const NumberKey &n) { return n.key == key; });
    INK_ASSERT(k != keys.end());
    return *k;
}

void addNumberDefaults(QVariantMap &defaults, const std::vector<NumberKey> &keys)
{
    for (const NumberKey &k : keys)
        defaults.insert(k.key,
                        k.whole ? QVariant(int(k.defaultValue)) : QVariant(float(k.defaultValue)));
}

double Preferences::number(const NumberKey &key) const
{
    const QVariant v = objectForKey(key.key);
    // Comparisons fail for NaN, which thus reads as the default.
    if (key.whole) {
        if (const auto i = toInteger(v); i && *i >= key.lowest && *i <= key.highest)
            return double(*i);
    } else if (const auto f = toFloat(v); f && *f >= key.lowest && *f <= key.highest) {
        return double(*f);
    }
    return key.defaultValue;
}

void Preferences::setNumber(double value, const NumberKey &key)
{
    if (std::isnan(value))
        value = key.defaultValue;
    value = std::clamp(value, key.lowest, key.highest);
    if (key.whole)
        setInteger(qint64(std::llround(value)), key.key);
    else
        setFloat(float(value), key.key);
}

void Preferences::setInteger(qint64 value, const QString &key)
{
    mUnsaved = true;
    mSettings->setValue(key, value);
}

void Preferences::setFloat(float value, const QString &key)
{
    mUnsaved = true;
    mSettings->setValue(key, value);
}

void Preferences::setData(const QByteArray &value, const QString &key)
{
    mUnsaved = true;
    mSettings->setValue(key, value);
}

std::optional<QString> Preferences::stringForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

void Preferences::setString(const QString &value, const QString &key)
{
    mUnsaved = true;
    mSettings->setValue(key, value);
}

void Preferences::setStringArray(const QStringList &value, const QString &key)
{
    mUnsaved = true;
    mSettings->setValue(key, value);
}

void Preferences::removeObjectForKey(const QString &key)
{
    mUnsaved = true;
    mSettings->remove(key);
}

void Preferences::synchronize()
{
    if (!canWrite())
        return;
    mSettings->sync();
    mUnsaved = false;
}

QString Preferences::filePath() const
{
    return mSettings->fileName();
}
