#pragma once

#include "Brush.h"

#include <QCoreApplication>
#include <QIcon>
#include <array>

// How the nibs show wherever one is chosen: a small picture drawn for each, its name and what it
// does.
class BrushIcons
{
    Q_DECLARE_TR_FUNCTIONS(BrushIcons)

public:
    static constexpr std::array kKinds {BrushKind::Pen, BrushKind::Pencil, BrushKind::Airbrush,
                                        BrushKind::Marker};

    static QIcon icon(BrushKind kind);
    static QString title(BrushKind kind); // "Pen"
    static QString toolTip(BrushKind kind);
};
