#pragma once
// The six drag cursors of an axis, drawn in code: for each orientation the high end ("VUPPER",
// "HUPPER"), the low end ("VLOWER", "HLOWER") and the pan ("VMIDDLE", "HMIDDLE").

#include "plot/AxisDrag.h"

#include <QCursor>

class TAxisCursors {
public:
    TAxisCursors();
    // The cursor over a zone; the arrow where nothing can be dragged.
    const QCursor& For(tposition position, TAxisDragMode zone) const;

private:
    QCursor verticalUpper_, verticalLower_, verticalMiddle_;
    QCursor horizontalUpper_, horizontalLower_, horizontalMiddle_;
    QCursor arrow_{Qt::ArrowCursor};
};
