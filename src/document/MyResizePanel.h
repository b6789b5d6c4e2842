#pragma once

#include "Geometry.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QWidget;
namespace Ui {
class ResizePanel;
}

// Controller of the custom-size sheet: a width and a height in whole points, edited in the
// panel of resources/ResizePanel.ui, shown window-modal on a document window.
class MyResizePanel : public QObject
{
    Q_OBJECT

public:
    // Return codes of the panel.
    static constexpr int kOKButton = 1;
    static constexpr int kCancelButton = 0;
    using Completion = std::function<void(QDialog *, int, MyResizePanel *)>;

    // The fields start at the size, each truncated toward zero.
    explicit MyResizePanel(Size size, QObject *parent = nullptr);
    ~MyResizePanel() override;

    // Loads the panel and shows it on the window without waiting; when it ends, endSel runs on
    // the delegate with the panel, the return code (1 OK, 0 Cancel) and this controller.
    // False, with nothing shown, when the panel cannot be had.
    template<typename Delegate>
    bool runModalSheetForWindow(QWidget *window, Delegate *delegate,
                                void (Delegate::*endSel)(QDialog *, int, MyResizePanel *))
    {
        return beginSheet(window, delegate,
                          [delegate, endSel](QDialog *p, int r, MyResizePanel *c) {
                              (delegate->*endSel)(p, r, c);
                          });
    }

    // The same with any completion; the delegate only bounds its lifetime.
    bool runModalSheetForWindow(QWidget *window, QObject *delegate, Completion completion)
    {
        return beginSheet(window, delegate, std::move(completion));
    }

    void closeWithOk(); // return code 1
    void closeWithCancel(); // return code 0

    // The fields as decimal text, and back through intValue().
    QString width() const;
    QString height() const;
    void setWidth(const QString &value);
    void setHeight(const QString &value);
    Size size() const;

    QDialog *panel() const { return mPanel; }

    // The decimal number a text begins with, truncated toward zero: leading white space skipped,
    // an optional sign, digits, a fraction and an exponent up to the first other character; 0
    // without a number; clamped to 32 bits, so that one far out of range is refused as too large.
    static int intValue(const QString &text);

private:
    bool beginSheet(QWidget *window, QObject *delegate, Completion completion);
    void endSheet(int returnCode);

    int mWidth = 0;
    int mHeight = 0;
    QPointer<QDialog> mPanel;
    std::unique_ptr<Ui::ResizePanel> mUi;
    QPointer<QObject> mDelegate;
    Completion mCompletion;
    bool mEnded = false;
};
