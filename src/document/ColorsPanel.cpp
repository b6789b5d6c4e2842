#include "ColorsPanel.h"

#include "ColorWheel.h"
#include "HexColorField.h"
#include "LocalFile.h"
#include "PaletteLibrary.h"
#include "RecentColors.h"
#include "SwatchGrid.h"
#include "WTView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kRecentCell = 20;
constexpr int kPaletteCell = 18;
} // namespace

ColorsPanel::ColorsPanel(WTView &canvas, RecentColors &recent, QWidget *parent)
    : QDockWidget(tr("Colours"), parent)
    , mCanvas(&canvas)
    , mRecentColors(&recent)
{
    setObjectName(QStringLiteral("colorsPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                | QDockWidget::DockWidgetFloatable);
    auto *content = new QWidget(this);
    auto *rows = new QVBoxLayout(content);

    mColorParts = new QWidget(content);
    auto *colorRows = new QVBoxLayout(mColorParts);
    colorRows->setContentsMargins(0, 0, 0, 0);
    mWheel = new ColorWheel(mColorParts);
    mWheel->setObjectName(QStringLiteral("colorsWheel"));
    mWheel->setMinimumSize(140, 140);
    colorRows->addWidget(mWheel, 1);
    colorRows->addWidget(makeFields());
    auto *recentTitle = new QLabel(tr("Recent"), mColorParts);
    colorRows->addWidget(recentTitle);
    mRecent = new SwatchGrid(kRecentCell, mColorParts);
    mRecent->setObjectName(QStringLiteral("colorsRecent"));
    mRecent->setMostColumns(RecentColors::kMost / 2);
    colorRows->addWidget(mRecent);
    rows->addWidget(mColorParts, 1);
    rows->addWidget(makePaletteSection());
    setWidget(content);

    // The wheel shows its drag here as it goes; the canvas gets the colour once, on release.
    connect(mWheel, &ColorWheel::colorChanged, this,
            [this](const QColor &c) { showColor(c, mWheel); });
    connect(mWheel, &ColorWheel::colorChosen, this,
            [this](const QColor &c) { choose(c, mWheel); });
    connect(mHex, &HexColorField::colorChosen, this, [this](const QColor &c) { choose(c, mHex); });
    connect(mRecent, &SwatchGrid::colorClicked, this, [this](const QColor &c) { choose(c); });
    connect(mSwatches, &SwatchGrid::colorClicked, this, [this](const QColor &c) { choose(c); });
    auto showRecent = [this] {
        if (mRecentColors)
            mRecent->setColors(mRecentColors->colors());
    };
    connect(&recent, &RecentColors::changed, this, showRecent);
    showRecent();
    connect(&canvas, &WTView::penChanged, this, &ColorsPanel::showPen);
    showPen();
}

QWidget *ColorsPanel::makeFields()
{
    auto *fields = new QWidget(mColorParts);
    auto *grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    mHex = new HexColorField(fields);
    mHex->setObjectName(QStringLiteral("colorsHex"));
    grid->addWidget(mHex, 0, 0, 1, 4);
    auto *more = new QPushButton(tr("More…"), fields);
    more->setObjectName(QStringLiteral("colorsMore"));
    more->setToolTip(tr("Choose the colour in the full colour dialog"));
    connect(more, &QPushButton::clicked, this, &ColorsPanel::moreColorsRequested);
    grid->addWidget(more, 0, 4, 1, 2);
    const struct
    {
        QString label;
        int highest;
        const char *name;
    } spins[] = {{tr("H"), 359, "colorsHue"},   {tr("S"), 100, "colorsSaturation"},
                 {tr("V"), 100, "colorsValue"}, {tr("R"), 255, "colorsRed"},
                 {tr("G"), 255, "colorsGreen"}, {tr("B"), 255, "colorsBlue"}};
    const QString tips[] = {tr("Hue, in degrees"), tr("Saturation, in percent"),
                            tr("Value, in percent"), tr("Red"), tr("Green"), tr("Blue")};
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(spins[i].label, fields);
        auto *spin = new QSpinBox(fields);
        spin->setObjectName(QLatin1String(spins[i].name));
        spin->setRange(0, spins[i].highest);
        spin->setWrapping(i == 0); // the hue goes round
        spin->setToolTip(tips[i]);
        spin->setAccessibleName(tips[i]);
        // A number typed counts once it is entered, not at each digit.
        spin->setKeyboardTracking(false);
        label->setBuddy(spin);
        grid->addWidget(label, 1 + i / 3, (i % 3) * 2);
        grid->addWidget(spin, 1 + i / 3, (i % 3) * 2 + 1);
        mSpins[i] = spin;
        connect(spin, &QSpinBox::valueChanged, this, [this, i] { chooseFromSpinBox(i); });
    }
    auto *alphaLabel = new QLabel(tr("A"), fields);
    mAlpha = new QSlider(Qt::Horizontal, fields);
    mAlpha->setObjectName(QStringLiteral("colorsAlpha"));
    mAlpha->setRange(0, 100);
    mAlpha->setToolTip(tr("Opacity, in percent"));
    mAlpha->setAccessibleName(mAlpha->toolTip());
    // One colour chosen when the drag ends, not one at each step of it.
    mAlpha->setTracking(false);
    alphaLabel->setBuddy(mAlpha);
    grid->addWidget(alphaLabel, 3, 0);
    grid->addWidget(mAlpha, 3, 1, 1, 5);
    connect(mAlpha, &QSlider::valueChanged, this, [this](int percent) {
        QColor color = mShown;
        color.setAlphaF(percent / 100.0f);
        choose(color, mAlpha);
    });
    return fields;
}

QWidget *ColorsPanel::makePaletteSection()
{
    auto *section = new QWidget(this);
    auto *rows = new QVBoxLayout(section);
    rows->setContentsMargins(0, 0, 0, 0);
    mPalettes = new QComboBox(section);
    mPalettes->setObjectName(QStringLiteral("colorsPalettes"));
    mPalettes->setAccessibleName(tr("Palette"));
    connect(mPalettes, &QComboBox::currentIndexChanged, this, &ColorsPanel::showPalette);
    rows->addWidget(mPalettes);
    mSwatches = new SwatchGrid(kPaletteCell, section);
    mSwatches->setObjectName(QStringLiteral("colorsPaletteSwatches"));
    rows->addWidget(mSwatches);
    mNote = new QLabel(section);
    mNote->setObjectName(QStringLiteral("colorsPaletteNote"));
    mNote->setWordWrap(true);
    mNote->hide();
    rows->addWidget(mNote);

    auto *buttons = new QGridLayout;
    auto *import = new QPushButton(tr("Import…"), section);
    import->setObjectName(QStringLiteral("colorsImport"));
    connect(import, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, tr("Import Palette"), QString(), tr("GIMP palettes (*.gpl);;All files (*)"));
        if (!file.isEmpty())
            importPalette(file);
    });
    auto *exportButton = new QPushButton(tr("Export…"), section);
    exportButton->setObjectName(QStringLiteral("colorsExport"));
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString suggested = QFileInfo(currentPaletteFile()).fileName();
        QString file = QFileDialog::getSaveFileName(this, tr("Export Palette"), suggested,
                                                    tr("GIMP palettes (*.gpl)"));
        if (file.isEmpty())
            return;
        if (QFileInfo(file).suffix().isEmpty())
            file += QStringLiteral(".gpl");
        exportPalette(file);
    });
    mAdd = new QPushButton(tr("Add Current Colour"), section);
    mAdd->setObjectName(QStringLiteral("colorsAddCurrent"));
    connect(mAdd, &QPushButton::clicked, this, &ColorsPanel::addCurrentColor);
    buttons->addWidget(import, 0, 0);
    buttons->addWidget(exportButton, 0, 1);
    buttons->addWidget(mAdd, 1, 0, 1, 2);
    rows->addLayout(buttons);
    return section;
}

void ColorsPanel::showPen()
{
    if (!mCanvas)
        return;
    const bool erasing = mCanvas->erasing();
    mColorParts->setEnabled(!erasing);
    mAdd->setEnabled(!erasing);
    if (erasing)
        return;
    const QColor color = mCanvas->color()->toQColor();
    // What was just chosen here comes back: the fields keep what they show (a hue of a grey).
    if (QColor::fromRgba(color.rgba()) != QColor::fromRgba(mShown.rgba()))
        showColor(color);
}

void ColorsPanel::showColor(const QColor &color, const QObject *except)
{
    mShown = color;
    if (except != mWheel)
        mWheel->setColor(color);
    if (except != mHex)
        mHex->setColor(QColor::fromRgba(color.rgba()));
    const QColor hsv = color.toHsv();
    const int values[6] = {hsv.hsvHue(),
                           qRound(hsv.hsvSaturationF() * 100),
                           qRound(hsv.valueF() * 100),
                           color.red(),
                           color.green(),
                           color.blue()};
    if (except != mAlpha) {
        const QSignalBlocker quiet(mAlpha);
        mAlpha->setValue(qRound(color.alphaF() * 100));
    }
    for (int i = 0; i < 6; ++i) {
        if (except == mSpins[i] || (i == 0 && values[0] < 0)) // a grey keeps the hue shown
            continue;
        const QSignalBlocker quiet(mSpins[i]);
        mSpins[i]->setValue(values[i]);
    }
}

void ColorsPanel::chooseFromSpinBox(int changed)
{
    const bool hsv = changed < 3;
    const qreal alpha = mShown.isValid() ? mShown.alphaF() : 1.0;
    const QColor color = hsv ? QColor::fromHsvF(mSpins[0]->value() / 360.0f,
                                                mSpins[1]->value() / 100.0f,
                                                mSpins[2]->value() / 100.0f, float(alpha))
                             : QColor::fromRgbF(mSpins[3]->value() / 255.0f,
                                                mSpins[4]->value() / 255.0f,
                                                mSpins[5]->value() / 255.0f, float(alpha));
    choose(color, mSpins[changed]);
}

void ColorsPanel::choose(const QColor &color, const QObject *from)
{
    // The pen may have become the eraser since, which has no colour.
    if (!mCanvas || mCanvas->erasing() || !color.isValid())
        return;
    showColor(color, from);
    const Color c = Color::fromQColor(color);
    if (c != *mCanvas->color())
        mCanvas->setColor(&c);
}

QString ColorsPanel::currentPaletteFile() const
{
    return mPalettes->currentData().toString();
}

void ColorsPanel::showPalettes(const QString &choose)
{
    const QString current = choose.isEmpty() ? currentPaletteFile() : choose;
    const QSignalBlocker quiet(mPalettes);
    mPalettes->clear();
    for (const QString &file : PaletteLibrary().files())
        mPalettes->addItem(LocalFile::displayName(QFileInfo(file).completeBaseName()), file);
    const int index = mPalettes->findData(current);
    mPalettes->setCurrentIndex(index >= 0 ? index : 0);
    showPalette();
}

void ColorsPanel::showPalette()
{
    QString error;
    QStringList notes;
    const auto palette = PaletteLibrary::load(currentPaletteFile(), &notes, &error);
    QList<QColor> colors;
    QStringList names;
    if (palette) {
        for (const GimpPalette::Swatch &s : palette->swatches) {
            colors << s.color;
            names << s.name;
        }
        mSwatches->setMostColumns(palette->columns);
    }
    mSwatches->setColors(colors, names);
    note(palette ? notes.join(QLatin1Char('\n')) : error);
}

void ColorsPanel::note(const QString &text)
{
    mNote->setText(text);
    mNote->setVisible(!text.isEmpty());
}

bool ColorsPanel::importPalette(const QString &source)
{
    QString error;
    QStringList notes;
    const auto file = PaletteLibrary().import(source, &notes, &error);
    if (!file) {
        note(error);
        return false;
    }
    showPalettes(*file);
    note(notes.join(QLatin1Char('\n')));
    return true;
}

bool ColorsPanel::exportPalette(const QString &target)
{
    QString error;
    const auto palette = PaletteLibrary::load(currentPaletteFile(), nullptr, &error);
    const bool saved = palette && PaletteLibrary::save(*palette, target, &error);
    note(saved ? QString() : error);
    return saved;
}

bool ColorsPanel::addCurrentColor()
{
    if (!mCanvas || mCanvas->erasing())
        return false;
    QString error;
    const auto file
        = PaletteLibrary().addColor(currentPaletteFile(), mCanvas->color()->toQColor(), &error);
    if (!file) {
        note(error);
        return false;
    }
    showPalettes(*file);
    return true;
}

void ColorsPanel::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    // Not before: a window that never shows the panel (a replay's) leaves the folder alone.
    if (!mPalettesShown) {
        mPalettesShown = true;
        showPalettes();
    }
}

void ColorsPanel::closeEvent(QCloseEvent *event)
{
    QDockWidget::closeEvent(event);
    if (event->isAccepted())
        emit closedByUser();
}
