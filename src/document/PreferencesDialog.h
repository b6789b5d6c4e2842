#pragma once

#include "PenLimits.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QDialog;
class QWidget;
class WTView;
namespace Ui {
class PreferencesPanel;
}

// Controller of the Preferences panel (resources/PreferencesPanel.ui): the pressure curve,
// the minimum width, smoothing, the undo steps, every pointer as the tip, each slot's nib, the
// eraser's shape, the airbrush's hardness and what shows under a hovering pointer, applied to
// the canvas's pen settings as they are changed; beside them, the window's menu keys
// (ShortcutsPage.h). A child of its panel, which is a child of the
// window.
class PreferencesDialog : public QObject
{
    Q_OBJECT

public:
    // The window's panel, raised when it is open already, else a new one; shortcuts, if given,
    // makes the page of the menus' keys in its parent.
    static QDialog *showForWindow(QWidget *window, WTView *canvas,
                                  const std::function<QWidget *(QWidget *)> &shortcuts = {});

    QDialog *panel() const { return mPanel; }

private:
    PreferencesDialog(QDialog *panel, WTView *canvas,
                      const std::function<QWidget *(QWidget *)> &shortcuts);
    ~PreferencesDialog() override;

    void addShortcutsPage(const std::function<QWidget *(QWidget *)> &shortcuts);
    void refresh(); // the controls show the settings
    void choosePreset(int index);
    void editCurve();
    std::array<QComboBox *, PenLimits::kSlots> brushBoxes() const; // by slot

    QDialog *mPanel; // the parent
    QPointer<WTView> mCanvas;
    std::unique_ptr<Ui::PreferencesPanel> mUi;
};
