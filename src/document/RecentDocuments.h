#pragma once

#include <QStringList>

// The files last opened or saved, newest first, kept in the preferences for File ▸ Open Recent.
namespace RecentDocuments {

inline constexpr int kMaxCount = 10;

// The stored paths, newest first; missing files included (opening them reports why).
QStringList paths();
// Puts the file first, once.
void noteNewRecentDocumentPath(const QString &path);
void clearRecentDocuments();

} // namespace RecentDocuments
