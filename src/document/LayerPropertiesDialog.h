#pragma once

#include "Layer.h"

#include <QDialog>

class CanvasCore;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// Layer ▸ Layer Properties…: the current layer's name, opacity, mode, visibility and locks,
// applied together on OK as one step of the history.
class LayerPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    // Opens the dialog, window-modal, for the core's current layer; the open one comes forward
    // instead of a second being made.
    static LayerPropertiesDialog *showFor(QWidget *window, CanvasCore &core);
    // The modes' titles, in BlendMode order.
    static QStringList modeTitles();

    LayerProperties properties() const;

private:
    LayerPropertiesDialog(QWidget *parent, const LayerProperties &properties);

    LayerProperties mOriginal; // what the dialog does not show stays as it was
    QLineEdit *mName = nullptr;
    QSpinBox *mOpacity = nullptr;
    QComboBox *mMode = nullptr;
    QCheckBox *mVisible = nullptr;
    QCheckBox *mLocked = nullptr;
    QCheckBox *mAlphaLocked = nullptr;
};
