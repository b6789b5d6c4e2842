#include "RecentDocuments.h"

#include "ProgramKeys.h"
#include "Preferences.h"

#include <QFileInfo>

namespace RecentDocuments {

QStringList paths(const Preferences &store)
{
    return store.stringArrayForKey(ProgramKeys::kRecentDocuments)
        .value_or(QStringList())
        .mid(0, kMaxCount);
}

void noteNewRecentDocumentPath(Preferences &store, const QString &path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = paths(store);
    list.removeAll(absolute);
    list.prepend(absolute);
    store.setStringArray(list.mid(0, kMaxCount), ProgramKeys::kRecentDocuments);
}

void clearRecentDocuments(Preferences &store)
{
    store.removeObjectForKey(ProgramKeys::kRecentDocuments);
}

} // namespace RecentDocuments
