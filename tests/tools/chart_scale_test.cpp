// Chart scales: round value ticks that cover the data, date ticks that fit
// their labels, and the calendar place of bank periods.
#include "chart_scale.h"

#include <gtest/gtest.h>

namespace {

TEST(ChartScale, ValueAxesAreRoundAndCoverTheData) {
    struct Case {
        double low, high;
        std::vector<double> ticks;
        int decimals;
    };
    const Case cases[] = {
        {0, 97, {0, 20, 40, 60, 80, 100}, 0},
        {2283.4, 2808.1, {2200, 2400, 2600, 2800, 3000}, 0},
        {-2.3, 11.2, {-5, 0, 5, 10, 15}, 0},
        {0.92, 1.07, {0.9, 0.95, 1.0, 1.05, 1.1}, 2},
        {0.3, 0.7, {0.3, 0.4, 0.5, 0.6, 0.7}, 1},
        {100, 100, {95, 100, 105}, 0},  // a flat line is widened by 5% each way
        {0, 0, {-1, -0.5, 0, 0.5, 1}, 1},
        {-1e-3, 2e-3, {-0.001, 0, 0.001, 0.002}, 3},
        {5, 1, {1, 2, 3, 4, 5}, 0},                // given the wrong way round
        {176, 222, {160, 180, 200, 220, 240}, 0},  // ten would take six steps
    };
    for (const Case& c : cases) {
        ValueAxis axis = valueAxis(c.low, c.high, 5);
        ASSERT_EQ(axis.ticks.size(), c.ticks.size()) << c.low << ".." << c.high;
        for (size_t k = 0; k < c.ticks.size(); ++k) EXPECT_NEAR(axis.ticks[k], c.ticks[k], 1e-9) << c.low;
        EXPECT_EQ(axis.decimals, c.decimals) << c.low;
        EXPECT_LE(axis.low, std::min(c.low, c.high));
        EXPECT_GE(axis.high, std::max(c.low, c.high));
    }
}

TEST(ChartScale, DateTicksFitTheirLabels) {
    struct Case {
        double start, end;
        int16_t frequency;
        double width;
        int16_t tickFrequency;
        std::vector<int32_t> periods;
    };
    const Case cases[] = {
        {1996.0, 2006.0, 4, 352, 1, {1996, 1998, 2000, 2002, 2004, 2006}},
        {1998.0, 2006.0, 4, 352, 1, {1998, 1999, 2000, 2001, 2002, 2003, 2004, 2005, 2006}},
        {1980.0, 2010.0, 4, 352, 1, {1980, 1985, 1990, 1995, 2000, 2005, 2010}},
        {1900.0, 2010.0, 1, 352, 1, {1900, 1920, 1940, 1960, 1980, 2000}},
        {1995.25, 1997.5, 4, 352, 1, {1996, 1997}},
        // Less than two year starts: periods of the data's own frequency.
        {1995.25, 1996.5, 4, 352, 4, {7981, 7982, 7983, 7984, 7985, 7986}},
        {1995.0, 1996.0, 12, 352, 12, {23940, 23943, 23946, 23949, 23952}},
        {1995.0, 1996.0, 12, 150, 12, {23940, 23946, 23952}},
        {1995.5, 1996.5, 2, 352, 2, {3991, 3992, 3993}},
    };
    for (const Case& c : cases) {
        DateTicks ticks = dateTicks(c.start, c.end, c.frequency, c.width, 44, 66);
        EXPECT_EQ(ticks.frequency, c.tickFrequency) << c.start;
        EXPECT_EQ(ticks.periods, c.periods) << c.start << ".." << c.end;
    }
}

TEST(ChartScale, BankPeriodsOnTheCalendar) {
    // index, frequency and base month of a bank from 1990, and the year the period begins
    const std::tuple<int32_t, int16_t, int32_t, double> cases[] = {
        {5, 4, 1, 1991.25},           {0, 4, 4, 1990.25}, {-1, 4, 4, 1990.0}, {0, 12, 3, 1990 + 2 / 12.0},
        {13, 12, 1, 1991 + 1 / 12.0}, {3, 2, 7, 1992.0},  {4, 1, 6, 1994.0}};
    for (const auto& [index, frequency, month, year] : cases)
        EXPECT_DOUBLE_EQ(periodStart(index, frequency, 1990, month), year) << index << " " << frequency;
}

}  // namespace
