#pragma once

// Answering the questions that documents ask with open(): window-modal message boxes and file
// dialogs, found by object name on their window, or among the top-level widgets without one.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

template<typename T>
T *openDialog(const char *name, QWidget *window = nullptr)
{
    if (window) {
        for (T *d : window->findChildren<T *>(QString::fromLatin1(name)))
            if (d->isVisible())
                return d;
        return nullptr;
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<T *>(w);
            d && d->isVisible() && d->objectName() == QLatin1String(name))
            return d;
    return nullptr;
}

inline QMessageBox *openBox(const char *name, QWidget *window = nullptr)
{
    return openDialog<QMessageBox>(name, window);
}

// Clicks the button, then lets the box go. False when no such box or button is showing.
inline bool answer(const char *name, QWidget *window, QMessageBox::StandardButton button)
{
    QMessageBox *box = openBox(name, window);
    QAbstractButton *b = box ? box->button(button) : nullptr;
    if (!b)
        return false;
    b->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

inline bool answer(const char *name, QWidget *window, const QString &buttonText)
{
    QMessageBox *box = openBox(name, window);
    if (!box)
        return false;
    for (QAbstractButton *b : box->buttons()) {
        if (b->text() == buttonText) {
            b->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return true;
        }
    }
    return false;
}
