#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <vector>

class Preferences;
class QAction;

// The menu commands' keyboard shortcuts: each command's own keys, the user's changes to them
// (kept in the settings, only those), and which command holds a key. Works on actions, not
// widgets, so that it serves every window's menus and tests alike.
class ShortcutMap
{
public:
    // The properties a menu command carries: its stable identifier, its menu's title and the
    // keys it was made with.
    static constexpr const char *kIdProperty = "shortcutId";
    static constexpr const char *kMenuProperty = "shortcutMenu";
    static constexpr const char *kDefaultsProperty = "defaultShortcuts";

    struct Command
    {
        QString id;
        QString title; // as the menu shows it, without mnemonics
        QString menu;
        QList<QKeySequence> defaults;
    };

    ShortcutMap() = default;
    explicit ShortcutMap(std::vector<Command> commands);
    // The commands among the actions, those that carry an identifier.
    static ShortcutMap fromActions(const QList<QAction *> &actions);

    const std::vector<Command> &commands() const { return mCommands; }
    const Command *command(const QString &id) const;
    QList<QKeySequence> keys(const QString &id) const;
    bool isChanged(const QString &id) const { return mChanged.contains(id); }

    // The command other than `except` that key belongs to; empty when none.
    QString holderOf(const QKeySequence &key, const QString &except = QString()) const;
    // Gives the command key alone (an empty key: none). When another command holds it the change
    // is refused and that command's identifier returned, unless takeOver: it then loses the key.
    QString setKey(const QString &id, const QKeySequence &key, bool takeOver = false);
    void restoreDefaults();

    // The changes from the store; entries for unknown commands or keys that do not read are
    // passed over.
    void load(const Preferences &store);
    void save(Preferences &store) const;
    // Each action with an identifier gets its command's keys.
    void applyTo(const QList<QAction *> &actions) const;

private:
    void setKeys(const QString &id, const QList<QKeySequence> &keys);

    std::vector<Command> mCommands;
    QHash<QString, QList<QKeySequence>> mChanged; // by identifier
};
