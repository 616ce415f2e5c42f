// Scale and tick arithmetic for vornbank's charts: round value ticks, date
// ticks at sensible intervals, and the straight-line map from data to the
// page. Plain numbers only, so it can be tested apart from the SVG text.
#pragma once

#include <cstdint>
#include <vector>

// A value axis: from `low` to `high` in steps of `step`, each a tick, all of
// them round numbers; `decimals` digits after the point print every tick.
struct ValueAxis {
    double low;
    double high;
    double step;
    int decimals;
    std::vector<double> ticks;
};
// The axis of at most `maxTicks` steps that covers low..high with steps of
// 1, 2 or 5 times a power of ten. An empty span is widened around its value.
ValueAxis valueAxis(double low, double high, int maxTicks);

// Date ticks: calendar periods at `frequency` (1 for years), counted from year
// 0, so period n begins at year n / frequency.
struct DateTicks {
    int16_t frequency;
    std::vector<int32_t> periods;
};
// Ticks at the starts of years inside start..end (years), every 1, 2, 5, 10,
// 20, ... years, as few steps as keep labels `yearLabelWidth` apart across
// `width`. When the span is shorter than two years, ticks at the starts of
// periods of `frequency` instead, every 1, 2, 3 or 6 periods, `periodLabelWidth` apart.
DateTicks dateTicks(double start, double end, int16_t frequency, double width, double yearLabelWidth,
                    double periodLabelWidth);

// The year at which bank period `index` of `frequency` begins, for a bank whose
// period 0 lies in month `baseMonth` of `baseYear`.
double periodStart(int32_t index, int16_t frequency, int32_t baseYear, int32_t baseMonth);
// The calendar period number (as in DateTicks) of bank period 0 at `frequency`.
int32_t calendarPeriodOfBase(int16_t frequency, int32_t baseYear, int32_t baseMonth);

// Maps `value` from the span from0..from1 onto to0..to1.
double mapLinear(double value, double from0, double from1, double to0, double to1);
