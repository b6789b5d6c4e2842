#include "Localizable.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <algorithm>
#include <memory>

QString localizedString(const char *key)
{
    return QCoreApplication::translate("Localizable", key);
}

bool loadStringTable()
{
    auto table = std::make_unique<QTranslator>();
    QStringList dirs = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                 QStringLiteral("inkpond/translations"),
                                                 QStandardPaths::LocateDirectory);
    dirs << QStringLiteral(":/i18n");
    const auto loadForUser = [&table](const QString &dir) {
        return table->load(QLocale(), QStringLiteral("Localizable"), QStringLiteral("_"), dir);
    };
    // English is the table's own language, but some of its keys are not the words to show.
    const bool loaded = std::any_of(dirs.cbegin(), dirs.cend(), loadForUser)
        || table->load(QStringLiteral("Localizable_en"), QStringLiteral(":/i18n"));
    if (!loaded || !QCoreApplication::installTranslator(table.get()))
        return false;
    table.release()->setParent(QCoreApplication::instance());
    return true;
}

QString formatIntegers(const QString &format, std::initializer_list<int> values)
{
    QString out;
    out.reserve(format.size() + 16);
    auto next = values.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size()) {
            if (format[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (format[i + 1] == u'd' && next != values.end()) {
                out += QString::number(*next++);
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}
