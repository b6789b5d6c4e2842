#include "Localizable.h"

#include <QCoreApplication>

QString localizedString(const char *key)
{
    return QCoreApplication::translate("Localizable", key);
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
