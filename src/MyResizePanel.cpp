#include "MyResizePanel.h"

#include "ui_ResizePanel.h"

#include <QDialog>
#include <QPushButton>
#include <cmath>
#include <limits>

namespace {

int truncatedToInt(float v)
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(double(v));
    return int(std::clamp(t, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}
} // namespace

MyResizePanel::MyResizePanel(Size size, QObject *parent)
    : QObject(parent)
    , mWidth(truncatedToInt(size.width))
    , mHeight(truncatedToInt(size.height))
{
}

MyResizePanel::~MyResizePanel()
{
    if (mPanel)
        mPanel->deleteLater();
}

bool MyResizePanel::beginSheet(QWidget *window, QObject *delegate, Completion completion)
{
    if (!window || mPanel)
        return false;
    auto *panel = new QDialog(window);
    mUi = std::make_unique<Ui::ResizePanel>();
    mUi->setupUi(panel);
    mPanel = panel;
    panel->setAttribute(Qt::WA_DeleteOnClose);
    mUi->widthField->setText(width());
    mUi->heightField->setText(height());
    connect(mUi->widthField, &QLineEdit::textChanged, this, &MyResizePanel::setWidth);
    connect(mUi->heightField, &QLineEdit::textChanged, this, &MyResizePanel::setHeight);
    connect(mUi->okButton, &QPushButton::clicked, this, &MyResizePanel::closeWithOk);
    connect(mUi->cancelButton, &QPushButton::clicked, this, &MyResizePanel::closeWithCancel);
    // Escape and the window's close box answer like Cancel.
    connect(panel, &QDialog::rejected, this, &MyResizePanel::closeWithCancel);
    // The control tagged 1 is the default button, pressed by Return from any field.
    for (auto *button : panel->findChildren<QPushButton *>())
        if (button->property("tag").toInt() == kOKButton)
            button->setDefault(true);

    mDelegate = delegate;
    mCompletion = std::move(completion);
    mEnded = false;
    panel->setWindowModality(Qt::WindowModal);
    panel->open();
    mUi->widthField->selectAll();
    return true;
}

void MyResizePanel::closeWithOk()
{
    endSheet(kOKButton);
}

void MyResizePanel::closeWithCancel()
{
    endSheet(kCancelButton);
}

void MyResizePanel::endSheet(int returnCode)
{
    // Closing the panel from the completion rejects it once more; the sheet ends only once.
    if (mEnded)
        return;
    mEnded = true;
    Completion completion = std::move(mCompletion);
    if (completion && mDelegate)
        completion(mPanel, returnCode, this);
}

QString MyResizePanel::width() const
{
    return QString::number(mWidth);
}

QString MyResizePanel::height() const
{
    return QString::number(mHeight);
}

void MyResizePanel::setWidth(const QString &value)
{
    mWidth = intValue(value);
}

void MyResizePanel::setHeight(const QString &value)
{
    mHeight = intValue(value);
}

Size MyResizePanel::size() const
{
    return {float(mWidth), float(mHeight)};
}

int MyResizePanel::intValue(const QString &text)
{
    constexpr qint64 kMax = std::numeric_limits<int>::max();
    constexpr qint64 kMin = std::numeric_limits<int>::min();
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(value * 10 + (text[i].unicode() - u'0'), kMax + 1); // saturates
    return int(negative ? std::max(-value, kMin) : std::min(value, kMax));
}
