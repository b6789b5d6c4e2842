#pragma once

#include "Geometry.h"

#include <array>

// The sheet sizes of the fixed-size command; a command's tag t (1 to kFixedSizesCount) chooses
// entry t − 1.
inline constexpr int kFixedSizesCount = 5;
inline constexpr std::array<Size, kFixedSizesCount> kFixedSizes = {{
    {256, 256},
    {400, 300},
    {512, 512},
    {640, 480},
    {800, 600},
}};
