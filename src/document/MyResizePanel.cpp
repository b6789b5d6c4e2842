#include "MyResizePanel.h"

#include "ui_ResizePanel.h"

#include <QDialog>
#include <QPushButton>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

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
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Digits first: from_chars would also take "inf" and "nan".
    if (i == n || text[i] < u'0' || text[i] > u'9')
        return 0;
    // Characters beyond Latin-1 become '?', which ends the number.
    const QByteArray rest = text.mid(i).toLatin1();
    double value = 0;
    const auto [end, failure]
        = std::from_chars(rest.constData(), rest.constData() + rest.size(), value);
    if (failure == std::errc::result_out_of_range) {
        // Too large or too small for a double: an exponent far out either way.
        const std::string_view number(rest.constData(), size_t(end - rest.constData()));
        const size_t e = number.find_first_of("eE");
        value = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-'
            ? 0.0
            : std::numeric_limits<double>::infinity();
    }
    const double whole = std::trunc(negative ? -value : value);
    return int(std::clamp(whole, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}
