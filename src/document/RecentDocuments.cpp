#include "RecentDocuments.h"

#include "PreferenceKeys.h"
#include "Preferences.h"

#include <QFileInfo>

namespace RecentDocuments {

QStringList paths()
{
    return Preferences::standard()
        .stringArrayForKey(PreferenceKeys::kRecentDocuments)
        .value_or(QStringList())
        .mid(0, kMaxCount);
}

void noteNewRecentDocumentPath(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = paths();
    list.removeAll(absolute);
    list.prepend(absolute);
    Preferences::standard().setStringArray(list.mid(0, kMaxCount),
                                           PreferenceKeys::kRecentDocuments);
}

void clearRecentDocuments()
{
    Preferences::standard().removeObjectForKey(PreferenceKeys::kRecentDocuments);
}

} // namespace RecentDocuments
