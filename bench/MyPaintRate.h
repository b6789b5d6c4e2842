#pragma once

// The same pen samples painted with libmypaint's brush engine, as a yardstick for ours.
#include "Brush.h"
#include "PenSession.h"

#include <vector>

// Wall seconds for libmypaint to paint the strokes at width 10 onto a fixed tiled surface that
// covers area, one atomic surface operation per sample as an interactive program does it, with
// its brush set up as the nearest to ours: hard, soft (hardness 0) or an elliptical dab.
double libMyPaintSeconds(const std::vector<pensession::Stroke> &strokes, const Rect &area,
                         BrushKind kind = BrushKind::Pen);

// Samples per second of the long strokes, measured once per process.
double libMyPaintSamplesPerSecond();
