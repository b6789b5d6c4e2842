#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class WTView;

// The zoom of a canvas as a percentage the user can type over, and its turn when it has one;
// the document window's status bar shows it.
class ZoomIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit ZoomIndicator(QWidget *parent = nullptr);
    void setCanvas(WTView *canvas);

    QLineEdit *zoomField() const { return mZoomField; }
    QLabel *rotationLabel() const { return mRotationLabel; }

    // "100 %", and back: the percentage typed, with or without its sign; nothing for text that
    // is no positive number.
    QString zoomText(double zoom) const;
    std::optional<double> percentFromText(QString text) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showView();
    void applyTyped();
    void returnToCanvas();

    QPointer<WTView> mCanvas;
    QLineEdit *mZoomField; // a child
    QLabel *mRotationLabel; // a child
};
