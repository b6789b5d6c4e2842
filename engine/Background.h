#pragma once

#include "Geometry.h"

// The background papers, drawn from their type for the rectangle being shown: never a
// sheet-sized image.
namespace Background {

constexpr int kPlain = 0;
constexpr int kRuled = 1;
constexpr int kGrid = 2;
constexpr int kSeeThrough = 3;

// The paper of a sheet of that size, in part r of the current drawing destination: every pixel
// of the sheet's pixel area inside r is replaced by the paper, the pattern over it.
void drawInRect(int type, Size sheet, const Rect &r);

} // namespace Background
