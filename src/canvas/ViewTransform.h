#pragma once

#include <QJsonArray>
#include <QPointF>
#include <QTransform>
#include <optional>

// How the canvas shows its sheet: zoomed and turned about the middle of what the window shows,
// mirrored left to right, then panned. It maps the canvas's unzoomed widget coordinates (where
// the sheet lies when nothing is zoomed) to the widget's, in double precision; the sheet's own
// coordinates never change. The default view is the identity.
class ViewTransform
{
public:
    static constexpr double kMinZoom = 1.0 / 64.0;
    static constexpr double kMaxZoom = 64.0;
    static constexpr double kRotationStep = 15.0;
    static constexpr double kRotationSnap = 5.0; // degrees from upright that count as upright

    double zoom() const { return mZoom; }
    double rotation() const { return mRotation; } // degrees clockwise, in (−180, 180]
    bool isMirrored() const { return mMirrored; }
    QPointF pan() const { return mPan; } // widget pixels

    // Kept in range: the zoom clamped and snapped onto a power of two it nearly is, the angle
    // normalised and snapped upright within kRotationSnap.
    void setZoom(double zoom);
    void setRotation(double degrees);
    void setMirrored(bool mirrored) { mMirrored = mirrored; }
    void setPan(QPointF pan) { mPan = pan; }

    bool isDefault() const;
    // Whether sheet pixels stay aligned with the widget's rows and columns.
    bool isRightAngled() const;

    // Unzoomed widget coordinates to the widget's, zoomed about centre.
    QTransform matrix(QPointF centre) const;
    // A right-angled matrix moved so that the origin lands on a whole device pixel, and with it
    // every whole pixel: nothing is resampled by a fraction of a pixel.
    static QTransform alignedToDevice(const QTransform &m, qreal devicePixelRatio);

    // The pan that keeps `before`'s unzoomed point under widgetPoint there in this view.
    void keepFixed(const ViewTransform &before, QPointF widgetPoint, QPointF centre);

    // The zoom steps of the menu and the keys: powers of the square root of two, never smaller
    // than a tenth of a step, ending at the range's ends.
    static double zoomInStep(double zoom);
    static double zoomOutStep(double zoom);

    // As recordings keep it: [zoom, degrees, mirrored 0 or 1, panX, panY]; nothing for a value
    // of another shape, with a zoom out of range or a number that is not finite.
    QJsonArray toJson() const;
    static std::optional<ViewTransform> fromJson(const QJsonValue &value);

    friend bool operator==(const ViewTransform &, const ViewTransform &) = default;

private:
    double mZoom = 1.0;
    double mRotation = 0.0;
    bool mMirrored = false;
    QPointF mPan;
};
