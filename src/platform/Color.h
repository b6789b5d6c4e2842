#pragma once

#include <QByteArray>
#include <QColor>
#include <optional>

// A device RGB colour with alpha, components 0..1 as 32-bit floats.
struct Color
{
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 1.0f;

    friend bool operator==(const Color &, const Color &) = default;

    static Color white(float w, float a = 1.0f) { return {w, w, w, a}; }
    Color withAlpha(float a) const { return {red, green, blue, a}; }
    QColor toQColor() const;
    static Color fromQColor(const QColor &c);
};

// Archived form of a value: a type tag, then its payload. Only colours are archived by Inkpond,
// but the tag lets a reader tell "some other object" from "a colour".
QByteArray archiveColor(const Color &c);
QByteArray archiveOther(const QByteArray &typeTag, const QByteArray &payload);

// The colour held in the data, or nothing when the data is not an archived colour.
std::optional<Color> unarchiveColor(const QByteArray &data);
