#pragma once

#include "Geometry.h"

#include <QColor>
#include <optional>

// The background papers.
enum class BgType : int {
    Plain = 0,
    Ruled = 1,
    Grid = 2,
    SeeThrough = 3, // the paper faint, what lies behind the window showing through
};
// A stored or chosen number as a paper; nothing for a number no paper has.
inline std::optional<BgType> bgTypeOf(long long number)
{
    if (number < 0 || number > int(BgType::SeeThrough))
        return std::nullopt;
    return BgType(number);
}

// Papers are drawn from their type for the rectangle being shown: never a
// sheet-sized image.
namespace Background {

// The paper of a sheet of that size, in part r of the current drawing destination: every pixel
// of the sheet's pixel area inside r is replaced by the paper, the pattern over it.
void drawInRect(BgType type, Size sheet, const Rect &r);
// The one colour an opaque paper of that type is, when it has no pattern.
std::optional<QColor> uniformColor(BgType type);

} // namespace Background
