#pragma once

// Answering the questions that documents ask with open(): window-modal message boxes and file
// dialogs, found by object name on their window, or among the top-level widgets without one.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <type_traits>

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

// Clicks the button, named by its role or its text, then lets the box go. False when no such
// box or button is showing.
template<typename Button>
bool answer(const char *name, QWidget *window, const Button &button)
{
    QMessageBox *box = openBox(name, window);
    const QList<QAbstractButton *> buttons = box ? box->buttons() : QList<QAbstractButton *> {};
    const auto b = std::find_if(buttons.begin(), buttons.end(), [&](QAbstractButton *b) {
        if constexpr (std::is_same_v<Button, QMessageBox::StandardButton>)
            return box->standardButton(b) == button;
        else
            return b->text() == button;
    });
    if (b == buttons.end())
        return false;
    (*b)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}
