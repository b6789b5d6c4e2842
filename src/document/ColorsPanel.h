#pragma once

#include <QColor>
#include <QDockWidget>
#include <QPointer>

class ColorWheel;
class HexColorField;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class RecentColors;
class SwatchGrid;
class WTView;

// The Colours dock: a wheel, the hex code, hue, saturation and value, red, green and blue, the
// colours that last painted, and the user's palettes. It shows the active slot's colour and gives
// it the colour chosen here, once per choice (a drag of the wheel is one choice, on release), so
// that a recording holds one change for it. While the eraser is in use there is no colour to set.
class ColorsPanel : public QDockWidget
{
    Q_OBJECT

public:
    ColorsPanel(WTView &canvas, RecentColors &recent, QWidget *parent);

    ColorWheel *wheel() const { return mWheel; }
    HexColorField *hexField() const { return mHex; }
    SwatchGrid *recentSwatches() const { return mRecent; }
    SwatchGrid *paletteSwatches() const { return mSwatches; }
    QComboBox *palettes() const { return mPalettes; }
    // What the palette last said: what an import left out, or why it was refused.
    QLabel *paletteNote() const { return mNote; }

    // The palette folder's files again (first read when the panel shows), the given one chosen
    // if it is there.
    void showPalettes(const QString &choose = {});
    QString currentPaletteFile() const;
    // What Import…, Export… and Add Current Colour do once a file is chosen.
    bool importPalette(const QString &source);
    bool exportPalette(const QString &target);
    bool addCurrentColor();

signals:
    // Closed from its own title bar, so that whoever keeps its state knows.
    void closedByUser();
    // More…: the full colour dialog.
    void moreColorsRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makeFields();
    QWidget *makePaletteSection();
    void showPen();
    // Shows the colour everywhere but in `except`, which shows it already.
    void showColor(const QColor &color, const QObject *except = nullptr);
    // Gives the active slot the colour, unless it has it already.
    void choose(const QColor &color, const QObject *from = nullptr);
    // The colour of the spin box's group: hue, saturation, value, or red, green, blue.
    void chooseFromSpinBox(int changed);
    void showPalette();
    void note(const QString &text);

    QPointer<WTView> mCanvas;
    QPointer<RecentColors> mRecentColors;
    QColor mShown;
    bool mPalettesShown = false; // read when the panel first shows
    ColorWheel *mWheel = nullptr;
    HexColorField *mHex = nullptr;
    QSpinBox *mSpins[6] = {}; // hue, saturation, value, red, green, blue
    QSlider *mAlpha = nullptr; // in percent
    QWidget *mColorParts = nullptr; // what sets a colour, off while erasing
    QPushButton *mAdd = nullptr;
    SwatchGrid *mRecent = nullptr;
    QComboBox *mPalettes = nullptr;
    SwatchGrid *mSwatches = nullptr;
    QLabel *mNote = nullptr;
};
