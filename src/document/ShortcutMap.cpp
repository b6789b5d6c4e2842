#include "ShortcutMap.h"

#include "Logging.h"
#include "ProgramKeys.h"
#include "Preferences.h"

#include <QAction>

#include <algorithm>

namespace {
// Whether every chord names a key; text that names none reads as Qt::Key_unknown.
bool readable(const QKeySequence &key)
{
    for (int i = 0; i < key.count(); ++i)
        if (key[i].key() == Qt::Key_unknown)
            return false;
    return !key.isEmpty();
}
} // namespace

ShortcutMap::ShortcutMap(std::vector<Command> commands)
    : mCommands(std::move(commands))
{
}

ShortcutMap ShortcutMap::fromActions(const QList<QAction *> &actions)
{
    std::vector<Command> commands;
    for (const QAction *action : actions) {
        const QString id = action->property(kIdProperty).toString();
        if (id.isEmpty())
            continue;
        commands.push_back({id, action->text().remove(u'&'),
                            action->property(kMenuProperty).toString(),
                            action->property(kDefaultsProperty).value<QList<QKeySequence>>()});
    }
    return ShortcutMap(std::move(commands));
}

const ShortcutMap::Command *ShortcutMap::command(const QString &id) const
{
    for (const Command &c : mCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

QList<QKeySequence> ShortcutMap::keys(const QString &id) const
{
    if (const auto changed = mChanged.constFind(id); changed != mChanged.cend())
        return *changed;
    const Command *c = command(id);
    return c ? c->defaults : QList<QKeySequence>();
}

QString ShortcutMap::holderOf(const QKeySequence &key, const QString &except) const
{
    if (key.isEmpty())
        return {};
    for (const Command &c : mCommands)
        if (c.id != except && keys(c.id).contains(key))
            return c.id;
    return {};
}

QString ShortcutMap::setKey(const QString &id, const QKeySequence &key, bool takeOver)
{
    if (!command(id))
        return {};
    const QString holder = holderOf(key, id);
    if (!holder.isEmpty() && !takeOver)
        return holder;
    if (!holder.isEmpty()) {
        QList<QKeySequence> left = keys(holder);
        left.removeAll(key);
        setKeys(holder, left);
    }
    setKeys(id, key.isEmpty() ? QList<QKeySequence>() : QList<QKeySequence> {key});
    return {};
}

void ShortcutMap::setKeys(const QString &id, const QList<QKeySequence> &keys)
{
    if (keys == command(id)->defaults)
        mChanged.remove(id);
    else
        mChanged.insert(id, keys);
}

void ShortcutMap::restoreDefaults()
{
    mChanged.clear();
}

void ShortcutMap::load(const Preferences &store)
{
    mChanged.clear();
    const QStringList entries
        = store.stringArrayForKey(ProgramKeys::kShortcuts).value_or(QStringList());
    for (const QString &entry : entries) {
        const qsizetype equals = entry.indexOf(u'=');
        const QString id = entry.left(equals);
        const QString text = entry.mid(equals + 1);
        // Nothing after "=": the user cleared the command's key.
        const QList<QKeySequence> keys = text.isEmpty()
            ? QList<QKeySequence>()
            : QKeySequence::listFromString(text, QKeySequence::PortableText);
        const bool reads = std::all_of(keys.begin(), keys.end(), readable);
        if (equals <= 0 || !command(id) || !reads) {
            qCWarning(lcSettings).noquote() << "passing over the shortcut setting" << entry;
            continue;
        }
        setKeys(id, keys);
    }
}

void ShortcutMap::save(Preferences &store) const
{
    if (mChanged.isEmpty()) {
        store.removeObjectForKey(ProgramKeys::kShortcuts);
        return;
    }
    QStringList entries;
    for (const Command &c : mCommands)
        if (const auto changed = mChanged.constFind(c.id); changed != mChanged.cend())
            entries << c.id + u'='
                    + QKeySequence::listToString(*changed, QKeySequence::PortableText);
    store.setStringArray(entries, ProgramKeys::kShortcuts);
}

void ShortcutMap::applyTo(const QList<QAction *> &actions) const
{
    for (QAction *action : actions) {
        const QString id = action->property(kIdProperty).toString();
        if (command(id))
            action->setShortcuts(keys(id));
    }
}
