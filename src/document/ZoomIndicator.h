#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class WTView;

// The zoom of a canvas as a percentage the user can type over, its turn when it has one and a
// mark while it is mirrored; the document window's status bar shows it. Typed text that is no
// zoom the canvas can take shows in red and stays until it is corrected, or Escape puts the
// zoom back.
class ZoomIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit ZoomIndicator(QWidget *parent = nullptr);
    void setCanvas(WTView *canvas);

    QLineEdit *zoomField() const { return mZoomField; }
    QLabel *rotationLabel() const { return mRotationLabel; }
    QLabel *mirroredLabel() const { return mMirroredLabel; }
    bool isRefusing() const { return mRefusing; } // the field shows text that is no zoom

    // "100 %", and back: the percentage typed, with or without its sign; nothing for text that
    // is no positive number.
    QString zoomText(double zoom) const;
    std::optional<double> percentFromText(QString text) const;
    // The same, within the zoom the canvas can show.
    std::optional<double> zoomFromText(const QString &text) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showView();
    void applyTyped();
    void returnToCanvas();
    void setRefusing(bool refusing);

    QPointer<WTView> mCanvas;
    QLineEdit *mZoomField; // a child
    QLabel *mRotationLabel; // a child
    QLabel *mMirroredLabel; // a child
    bool mRefusing = false;
};
