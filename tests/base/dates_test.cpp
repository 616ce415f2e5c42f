// Date numbers to bank period indexes, date stepping and name look-up.
#include <cmath>
#include <cstdio>

#include "base/dates.h"
#include "support/harness.h"

namespace {

class Dates : public ModelTest {
protected:
    BankCalendar calendar{1990, 1};
    int32_t index(float date) { return periodOfDate(calendar, date).index; }
    int16_t frequency(float date) { return periodOfDate(calendar, date).frequency; }
    std::string printed(float date) {
        char text[32];
        std::snprintf(text, sizeof text, "%8.3f", date);
        return text;
    }
};

// Each date's bank period and frequency, for a bank from January 1990.
TEST_F(Dates, DatesOfEveryFrequency) {
    const struct {
        float date;
        int32_t index;
        int16_t frequency;
    } cases[] = {
        {1995.0f, 5, 1},     {1990.0f, 0, 1},
        {1990.1f, 0, 4},     {1995.1f, 20, 4},    {1995.4f, 23, 4},
        {1995.05f, 19, 4},   // sub-period 0: the last quarter of 1994
        {1990.001f, 0, 12},  {1991.012f, 23, 12},
        {1991.013f, 24, 12}, // month thirteen is the next year's first
        {1992.001f, 24, 12},
        {1990.5f, 0, 2},     {1990.6f, 1, 2},     {1991.5f, 2, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(index(c.date), c.index) << printed(c.date);
        EXPECT_EQ(frequency(c.date), c.frequency) << printed(c.date);
    }
}

TEST_F(Dates, OriginFollowsBaseMonth) {
    calendar.baseMonth = 4;
    EXPECT_EQ(index(1990.2f), 0);
    EXPECT_EQ(index(1990.1f), -1);
    EXPECT_EQ(index(1990.5f), 0);  // April still lies in the first half
    EXPECT_EQ(index(1990.004f), 0);
}

TEST_F(Dates, DatesOfNoFrequencyAreRefused) {
    for (double refused : {1995.45, -5.3, 1.0e6, -1.0e6, 99999999.0, 2.002e10, 1e39, -1e39, std::nan("")}) {
        const PeriodDate period = periodOfDate(calendar, refused);
        EXPECT_EQ(period.index, kInvalidDateIndex) << refused;
        EXPECT_EQ(period.frequency, 1) << refused;
    }
    EXPECT_EQ(index(999999.0f), (999999 - 1990) * 1);  // the last year counted
    EXPECT_EQ(index(1995.449f), 1995 * 0 + 5 * 4 + 4 - 1);  // last quarterly thousandth
    ConsoleCapture console;
    reportBadDate("1995.45");
    EXPECT_EQ(console.output(),
              "\nBad date 1995.45: write 1995, 1995.1 to 1995.4, 1995.001 to 1995.012, 1995.5 or 1995.6.\n");
}

TEST_F(Dates, QuarterlyStepping) {
    float d = 1995.1f;
    std::string seen;
    for (int i = 0; i < 4; ++i) {
        d = nextDate(d, 4);
        seen += printed(d);
    }
    EXPECT_EQ(seen, "1995.2001995.3001995.4001996.100");
}

TEST_F(Dates, AnnualSteppingAddsAYearAndUnknownFrequenciesStay) {
    EXPECT_EQ(nextDate(1995.0f, 1), 1996.0f);
    EXPECT_EQ(nextDate(1995.1f, 3), 1995.1f);
}

TEST_F(Dates, MonthlySteppingNeverShowsAThirteenthMonth) {
    for (int year = 1900; year <= 2100; year += 7) {
        float d = static_cast<float>(year + 0.001);
        for (int step = 1; step <= 36; ++step) {
            d = nextDate(d, 12);
            int month = step % 12 + 1;
            int expectedYear = year + step / 12;
            char expected[32];
            std::snprintf(expected, sizeof expected, "%4d.%03d", expectedYear, month);
            ASSERT_EQ(printed(d), expected) << "from " << year << " after " << step << " steps";
        }
    }
}

TEST_F(Dates, SemiAnnualSteppingAlternatesHalves) {
    float d = 1995.5f;
    d = nextDate(d, 2);
    EXPECT_EQ(printed(d), "1995.600");
    d = nextDate(d, 2);
    EXPECT_EQ(printed(d), "1996.500");
    d = nextDate(d, 2);
    EXPECT_EQ(printed(d), "1996.600");
}

}  // namespace
