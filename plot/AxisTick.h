#pragma once
// A tick of an axis and what a tick strategy needs to lay ticks out.

#include "plot/AxisScaleMap.h"
#include "plot/LabelMetrics.h"

#include <QChar>
#include <QString>
#include <cstdint>
#include <vector>

struct TAxisTick {
    double value = 0;
    int32_t pixel = 0;
    QString label;  // empty when it would collide with a neighbour's
};

using TAxisTickList = std::vector<TAxisTick>;

struct TAxisTickInput {
    TAxisScaleMap map;          // range read through the limits, length and direction
    double rawSpan = 0;         // stored high - stored low: the scale of "zero" for labels
    int32_t tickSpaceAim = 40;  // wanted pixels between linear ticks; 0: three ticks
    bool vertical = true;       // labels stack by height on a vertical axis, by width otherwise
    QChar decimalSeparator = QLatin1Char('.');
    const TLabelMetrics* metrics = nullptr;  // needed by the logarithmic strategies only
};

// Lays out the ticks of one kind of scale.
class TAxisTickStrategy {
public:
    virtual ~TAxisTickStrategy() = default;
    virtual TAxisTickList Ticks(const TAxisTickInput& input) const = 0;
};
