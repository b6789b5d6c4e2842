#pragma once

// The same pen samples painted with libmypaint's brush engine, as a yardstick for ours.
#include "PenSession.h"

#include <vector>

// Wall seconds for libmypaint to paint the strokes at width 10 onto a fixed tiled surface that
// covers area, one atomic surface operation per sample as an interactive program does it.
double libMyPaintSeconds(const std::vector<pensession::Stroke> &strokes, const Rect &area);

// Samples per second of the long strokes, measured once per process.
double libMyPaintSamplesPerSecond();
