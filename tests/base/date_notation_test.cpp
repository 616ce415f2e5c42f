// The date notations the tools read, as periods of a bank that begins in
// January 1990 (or April, where the quarterly origin moves), and written back.
#include "base/date_notation.h"
#include "support/harness.h"

namespace {

class DateNotation : public ModelTest {
protected:
    BankCalendar calendar{1990, 1};
};

TEST_F(DateNotation, ReadsEveryNotationAsTheSamePeriods) {
    struct Read {
        const char* text;
        int16_t given;  // the frequency the caller knows, 0 for none
        int32_t index;
        int16_t frequency;
    };
    for (const Read& r : std::vector<Read>{
             {"1995.2", 0, 21, 4},     {"1995q2", 4, 21, 4},     {"1995-Q2", 0, 21, 4},     {"1995 Q2", 0, 21, 4},
             {"1995:2", 0, 21, 4},     {"1995M11", 0, 70, 12},   {"1995m3", 0, 62, 12},     {"1995-11", 12, 70, 12},
             {"1995H2", 0, 11, 2},     {"1995s1", 0, 10, 2},     {"1995", 0, 5, 1},         {"1995-05-31", 4, 21, 4},
             {"1995-07-01", 2, 11, 2}, {"1995-12-31", 12, 71, 12}, {"1995-12-31", 1, 5, 1}, {"1996-02-29", 4, 24, 4}}) {
        PeriodDate date{-99, 0};
        std::string problem;
        EXPECT_TRUE(parseDateNotation(calendar, r.text, r.given, date, problem)) << r.text << ": " << problem;
        EXPECT_EQ(date.index, r.index) << r.text;
        EXPECT_EQ(date.frequency, r.frequency) << r.text;
    }
    const std::string unreadable = "is not a date in any accepted notation";
    for (const auto& [text, given, problem] : std::vector<std::tuple<const char*, int16_t, std::string>>{
             {"1995-01-01", 0, "is a day, and a day needs the frequency of its period (annual, semi-annual, "
                               "quarterly or monthly)"},
             {"1995Q2", 12, "is quarterly, not monthly"}, {"1995.2", 1, "is quarterly, not annual"},
             {"1995-02-29", 4, unreadable}, {"1995-04-31", 4, unreadable}, {"1995Q5", 0, unreadable},
             {"1995M13", 0, unreadable},    {"1995M011", 0, unreadable},   {"1995H3", 0, unreadable},
             {"1995:5", 0, unreadable},     {"95Q1", 0, unreadable},       {"1995-1", 0, unreadable},
             {"1995.45", 0, unreadable},    {"", 0, unreadable}}) {
        PeriodDate date{-99, 0};
        std::string why;
        EXPECT_FALSE(parseDateNotation(calendar, text, given, date, why)) << text;
        EXPECT_EQ(why, problem) << text;
        EXPECT_EQ(date.index, -99) << text;
    }
}

TEST_F(DateNotation, QuartersFollowTheBanksOriginAndStylesWriteWhatIsRead) {
    calendar.baseMonth = 4;
    PeriodDate date{0, 0};
    std::string problem;
    ASSERT_TRUE(parseDateNotation(calendar, "1990-05-15", 4, date, problem) && date.index == 0) << problem;
    ASSERT_TRUE(parseDateNotation(calendar, "1990Q1", 0, date, problem) && date.index == -1) << problem;
    struct Written {
        int32_t index;
        int16_t frequency;
        DateStyle style;
        const char* text;
    };
    for (const Written& w : std::vector<Written>{{5, 4, DateStyle::iso, "1991-07-01"},
                                                 {9, 12, DateStyle::letter, "1991M01"},
                                                 {3, 2, DateStyle::iso, "1991-07-01"},
                                                 {3, 2, DateStyle::letter, "1991H2"},
                                                 {3, 1, DateStyle::iso, "1993-01-01"}}) {
        std::string text;
        ASSERT_TRUE(formatDate(calendar, w.index, w.frequency, text, w.style)) << w.text;
        EXPECT_EQ(text, w.text);
        ASSERT_TRUE(parseDateNotation(calendar, text, w.frequency, date, problem)) << text << ": " << problem;
        EXPECT_EQ(date.index, w.index) << text;
    }
}

}  // namespace
