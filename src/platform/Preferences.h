#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

// A number the store keeps: its default and the values that can serve. Anything else stored under
// the key (damaged, or written by something else) reads as the default.
struct NumberKey
{
    QString key;
    double defaultValue = 0;
    double lowest = 0;
    double highest = 0;
    bool whole = false; // kept as an integer
};
// The row of keys for key, which must be one.
const NumberKey &findNumberKey(const std::vector<NumberKey> &keys, const QString &key);
// Each key's default put in defaults, as Preferences::registerDefaults() takes them.
void addNumberDefaults(QVariantMap &defaults, const std::vector<NumberKey> &keys);

// The user's preferences: values the application stored, in front of defaults registered in
// memory at start-up. Registered defaults are never written to the file.
class Preferences
{
public:
    // The application's store: $XDG_CONFIG_HOME/Inkpond/Inkpond.conf (INI format).
    static Preferences &standard();
    static QString standardFilePath();

    explicit Preferences(const QString &iniPath);
    ~Preferences();

    void registerDefaults(const QVariantMap &defaults);

    // The stored value, else the registered default, else an invalid QVariant.
    QVariant objectForKey(const QString &key) const;
    QVariant registeredDefault(const QString &key) const;

    QByteArray dataForKey(const QString &key) const;
    // Nothing when the value is missing or not a list of strings.
    std::optional<QStringList> stringArrayForKey(const QString &key) const;
    // Nothing when the value is missing or not one string.
    std::optional<QString> stringForKey(const QString &key) const;

    // The number stored under key if it can serve, else key's default.
    double number(const NumberKey &key) const;
    // Kept as an integer or a float, as key says, brought into its range.
    void setNumber(double value, const NumberKey &key);
    void setInteger(qint64 value, const QString &key);
    void setFloat(float value, const QString &key);
    void setData(const QByteArray &value, const QString &key);
    void setStringArray(const QStringList &value, const QString &key);
    void setString(const QString &value, const QString &key);
    void removeObjectForKey(const QString &key);

    // Writes pending changes to the file; also done on exit. Gives up, saying so once, when the
    // file's lock cannot be taken soon or the file is not a regular one.
    void synchronize();
    QString filePath() const;

    // Reads a number strictly: nothing when the value is missing or not a number.
    static std::optional<qint64> toInteger(const QVariant &v);
    static std::optional<float> toFloat(const QVariant &v);

    // Points the standard store at another file (tests), dropping registered defaults.
    static void resetStandard(const QString &iniPath);

private:
    class Store;
    bool canWrite();
    void keepReadableLines();

    std::unique_ptr<Store> mSettings;
    QVariantMap mRegistered;
    bool mRefusalReported = false;
    bool mUnsaved = false;
    bool mDamagedWithoutCopy = false;
};
