#pragma once

#include <QDialog>

class QSlider;

// Asks for the quality of a lossy file (JPEG, WebP), 1 to 100, before it is saved.
class QualityDialog : public QDialog
{
    Q_OBJECT

public:
    QualityDialog(int quality, const QString &typeName, QWidget *parent);
    int quality() const;

private:
    QSlider *mSlider;
};
