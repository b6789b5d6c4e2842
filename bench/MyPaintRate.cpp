#include "MyPaintRate.h"

#include <mypaint-brush.h>
#include <mypaint-fixed-tiled-surface.h>

#include <chrono>
#include <cmath>

double libMyPaintSeconds(const std::vector<pensession::Stroke> &strokes, const Rect &area,
                         BrushKind kind)
{
    // Not sparse: the surface holds every pixel of area, so it is kept to the strokes' extent.
    constexpr int kMargin = 16;
    const int width = int(std::ceil(area.width())) + 2 * kMargin;
    const int height = int(std::ceil(area.height())) + 2 * kMargin;
    MyPaintFixedTiledSurface *tiled = mypaint_fixed_tiled_surface_new(width, height);
    MyPaintSurface *surface = mypaint_fixed_tiled_surface_interface(tiled);
    MyPaintBrush *brush = mypaint_brush_new();
    mypaint_brush_from_defaults(brush);
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC,
                                 std::log(pensession::kBrushWidth / 2));
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_OPAQUE, 1.0f);
    if (kind == BrushKind::Airbrush)
        mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_HARDNESS, 0.0f);
    if (kind == BrushKind::Marker) {
        mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_ELLIPTICAL_DAB_RATIO,
                                     Brush::kMarkerAspect);
        mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_ELLIPTICAL_DAB_ANGLE, 45.0f);
    }
    const double dtime = double(pensession::kSampleMilliseconds) / 1000.0;

    const auto start = std::chrono::steady_clock::now();
    for (const pensession::Stroke &stroke : strokes) {
        // A fresh stroke, not a line dragged from where the last one ended.
        mypaint_brush_reset(brush);
        mypaint_brush_new_stroke(brush);
        for (const pensession::Sample &s : stroke) {
            // y down on the surface.
            const float x = s.x - area.x() + kMargin;
            const float y = area.maxY() - s.y + kMargin;
            mypaint_surface_begin_atomic(surface);
            mypaint_brush_stroke_to(brush, surface, x, y, s.pressure, 0, 0, dtime);
            MyPaintRectangle roi;
            mypaint_surface_end_atomic(surface, &roi);
        }
    }
    const double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mypaint_brush_unref(brush);
    mypaint_surface_unref(surface);
    return seconds;
}

double libMyPaintSamplesPerSecond()
{
    static const double rate = [] {
        const auto strokes = pensession::longStrokes();
        std::size_t samples = 0;
        for (const auto &s : strokes)
            samples += s.size();
        const double seconds = libMyPaintSeconds(strokes, pensession::kArea);
        return seconds > 0 ? double(samples) / seconds : 0.0;
    }();
    return rate;
}
