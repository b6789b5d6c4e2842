#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <functional>

class QAction;
class QObject;

// The commands of the application that a window's menus offer: implemented by the application
// object, which the menus find as it runs (tests may run with a plain one, which has none).
class ApplicationMenuCommands
{
public:
    // The running application's commands; nullptr when it has none.
    static ApplicationMenuCommands *current();

    virtual void newDocumentFromClipboard(QObject *sender) = 0;
    virtual void arrangeInFront(QObject *sender) = 0;
    // Whether the menu action named by the item's objectName can be chosen now.
    virtual bool validateUserInterfaceItem(const QAction *item) const = 0;
    // Calls changed, in the context's thread and while it lives, whenever the items are to be
    // validated again.
    virtual QMetaObject::Connection onValidationChanged(QObject *context,
                                                        std::function<void()> changed)
        = 0;

protected:
    ~ApplicationMenuCommands() = default;
};

inline ApplicationMenuCommands *ApplicationMenuCommands::current()
{
    return dynamic_cast<ApplicationMenuCommands *>(QCoreApplication::instance());
}
