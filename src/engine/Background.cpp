#include "Background.h"

#include "Color.h"
#include "Graphics.h"

#include <algorithm>
#include <cmath>

namespace {
const Color kPaper {1.0f, 1.0f, 0.98f, 1.0f};
const Color kRule {0.0f, 0.6f, 0.8f, 1.0f};
const Color kGridColor = Color::white(0.8f);

bool touches(const Rect &line, const Rect &r)
{
    return !isEmptyRect(intersectionRect(line, r));
}

// The first of the rows top, top - step, … that is not above part: a repaint of a small part of
// a tall sheet steps over the rules above it at once.
int firstBelow(int top, int step, const Rect &part)
{
    const int above = int(std::floor(part.maxY())) - top;
    return above >= 0 ? top : top - (-above / step) * step;
}
} // namespace

namespace Background {

void drawInRect(BgType type, Size sheet, const Rect &r)
{
    const float w = sheet.width;
    const float h = sheet.height;
    // The sheet's whole pixels: what a sheet-sized image of the paper would have covered.
    const Rect pixels {0, 0, std::ceil(w), std::ceil(h)};
    const Rect part = intersectionRect(r, pixels);
    if (isEmptyRect(part))
        return;
    Graphics::saveGraphicsState();
    Graphics::clipRect(part);
    Graphics::fillRect(pixels, CompositeOp::Clear);
    Graphics::setColor(type == BgType::SeeThrough ? kPaper.withAlpha(0.25f) : kPaper);
    Graphics::fillRect({0, 0, w, h});
    if (type == BgType::Ruled) {
        Graphics::setColor(kRule);
        for (int n = firstBelow(int(h - 40.0f), 40, part); n > 0 && n + 1 > part.y(); n -= 40)
            if (touches({0, float(n), w, 1}, part))
                Graphics::fillRect({0, float(n), w, 1});
    } else if (type == BgType::Grid) {
        Graphics::setColor(kGridColor);
        for (int n = firstBelow(int(h - 21.0f), 21, part); n > 0 && n + 1 > part.y(); n -= 21)
            if (touches({0, float(n), w, 1}, part))
                Graphics::fillRect({0, float(n), w, 1});
        // Whole multiples of 20 are exact in floats: the same columns as counting from 20.
        const float firstX = std::max(20.0f, std::floor((part.x() - 1.0f) / 20.0f) * 20.0f);
        for (float x = firstX; x < w && x < part.maxX(); x += 20.0f)
            if (touches({x, 0, 1, h}, part))
                Graphics::fillRect({x, 0, 1, h});
    }
    Graphics::restoreGraphicsState();
}

std::optional<QColor> uniformColor(BgType type)
{
    if (type != BgType::Plain)
        return std::nullopt;
    return kPaper.toQColor();
}

} // namespace Background
