#pragma once

#include <QString>
#include <initializer_list>

// The user-visible texts of the string table "Localizable", keyed by their English text.
// A key the table lacks shows as itself. Mark keys with QT_TRANSLATE_NOOP("Localizable", ...).
QString localizedString(const char *key);

// Installs the compiled table for the user's language into the application, the English one
// when there is none: an installed or user's translation (XDG data dirs, inkpond/translations)
// before the built-in ones. False when not even the English table could be loaded.
bool loadStringTable();

// The format with each "%d" replaced by the next value, in order, and "%%" by "%". Nothing else
// in the format is interpreted, so a translated text cannot ask for arguments that are not there.
QString formatIntegers(const QString &format, std::initializer_list<int> values);
