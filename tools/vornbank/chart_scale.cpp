// Scale and tick arithmetic for charts: value axes with round ticks, date
// ticks, and the place of a bank period on the calendar.
#include "chart_scale.h"

#include <algorithm>
#include <cmath>

#include "base/date_notation.h"

ValueAxis valueAxis(double low, double high, int maxTicks) {
    if (high < low) std::swap(low, high);
    if (high == low) {
        double half = low == 0 ? 1 : std::fabs(low) * 0.05;
        low -= half;
        high += half;
    }
    double span = high - low;
    double power = std::pow(10.0, std::floor(std::log10(span / maxTicks)));
    // Tick numbers of the first and last tick; the tolerance keeps 0.7 / 0.1,
    // which is 6.9999..., from giving a needless step.
    auto firstTick = [&](double step) { return std::floor(low / step + 1e-9); };
    auto lastTick = [&](double step) { return std::ceil(high / step - 1e-9); };
    double step = power;
    // Steps of 1, 2 and 5 times a power of ten, from the smallest up, until few enough.
    for (int k = 1; lastTick(step) - firstTick(step) > maxTicks; ++k)
        step = power * std::pow(10.0, k / 3) * (k % 3 == 0 ? 1 : k % 3 == 1 ? 2 : 5);
    int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    ValueAxis axis{
        std::min(low, firstTick(step) * step), std::max(high, lastTick(step) * step), step, decimals, {}};
    for (double k = firstTick(step); k <= lastTick(step); ++k) axis.ticks.push_back(k * step);
    return axis;
}

DateTicks dateTicks(double start, double end, int16_t frequency, double width, double yearLabelWidth,
                    double periodLabelWidth) {
    auto ticksEvery = [&](int16_t perYear, int32_t step) {
        DateTicks ticks{perYear, {}};
        int32_t first = static_cast<int32_t>(std::ceil(start * perYear - 1e-9));
        int32_t last = static_cast<int32_t>(std::floor(end * perYear + 1e-9));
        first = first + (step - first % step) % step;
        for (int32_t n = first; n <= last; n += step) ticks.periods.push_back(n);
        return ticks;
    };
    double years = end - start;
    if (years >= 2 || frequency == 1) {
        for (int32_t step = 1;; step *= 10) {
            for (int32_t factor : {1, 2, 5}) {
                if (years / (step * factor) * yearLabelWidth <= width) return ticksEvery(1, step * factor);
            }
        }
    }
    for (int32_t step : {1, 2, 3, 6}) {
        if (frequency % step == 0 && years * frequency / step * periodLabelWidth <= width)
            return ticksEvery(frequency, step);
    }
    return ticksEvery(frequency, frequency);
}

int32_t calendarPeriodOfBase(int16_t frequency, int32_t baseYear, int32_t baseMonth) {
    return baseYear * frequency + periodsIntoBaseYear(frequency, baseMonth);
}

double periodStart(int32_t index, int16_t frequency, int32_t baseYear, int32_t baseMonth) {
    return static_cast<double>(calendarPeriodOfBase(frequency, baseYear, baseMonth) + index) / frequency;
}

double mapLinear(double value, double from0, double from1, double to0, double to1) {
    return to0 + (value - from0) * (to1 - to0) / (from1 - from0);
}
