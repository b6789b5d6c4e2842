#pragma once

#include <QStringList>

class Preferences;

// The files last opened or saved, newest first, kept in a settings store for File ▸ Open Recent.
namespace RecentDocuments {

inline constexpr int kMaxCount = 10;

// The stored paths, newest first; missing files included (opening them reports why).
QStringList paths(const Preferences &store);
// Puts the file first, once.
void noteNewRecentDocumentPath(Preferences &store, const QString &path);
void clearRecentDocuments(Preferences &store);

} // namespace RecentDocuments
