// The date notations the tools read, as periods of a bank that begins in
// January 1990 (or April, where the quarterly origin moves), and written back.
#include "date_notation.h"
#include "state/model_state.h"
#include "support/harness.h"

namespace {

class DateNotation : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        model.bankBaseYear = 1990;
        model.bankBaseMonth = 1;
    }
};

struct Reading {
    const char* text;
    int16_t frequencyGiven;
    int32_t index;      // expected bank period, when the text is read
    int16_t frequency;  // expected frequency, 0 when refused
    const char* problem;
};

TEST_F(DateNotation, ReadsEveryNotationAsTheSamePeriods) {
    for (const Reading& r : std::vector<Reading>{
             {"1995.2", 0, 21, 4, ""},
             {"1995Q2", 0, 21, 4, ""},
             {"1995q2", 4, 21, 4, ""},
             {"1995-Q2", 0, 21, 4, ""},
             {"1995 Q2", 0, 21, 4, ""},
             {"1995:2", 0, 21, 4, ""},
             {"1995.011", 0, 70, 12, ""},
             {"1995M11", 0, 70, 12, ""},
             {"1995m3", 0, 62, 12, ""},
             {"1995-11", 12, 70, 12, ""},
             {"1995.6", 0, 11, 2, ""},
             {"1995H2", 0, 11, 2, ""},
             {"1995s1", 0, 10, 2, ""},
             {"1995", 0, 5, 1, ""},
             {"1995-05-31", 4, 21, 4, ""},
             {"1995-06-30", 2, 10, 2, ""},
             {"1995-07-01", 2, 11, 2, ""},
             {"1995-12-31", 12, 71, 12, ""},
             {"1995-12-31", 1, 5, 1, ""},
             {"1996-02-29", 4, 24, 4, ""},
             {"1995-02-29", 4, 0, 0, "is not a date in any accepted notation"},
             {"1995-04-31", 4, 0, 0, "is not a date in any accepted notation"},
             {"1995-01-01", 0, 0, 0, "is a day, and a day needs the frequency of its period"},
             {"1995Q2", 12, 0, 0, "is quarterly, not monthly"},
             {"1995.2", 1, 0, 0, "is quarterly, not annual"},
             {"1995-13", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995Q5", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995Q0", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995M13", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995M011", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995H3", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995:5", 0, 0, 0, "is not a date in any accepted notation"},
             {"95Q1", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995Q", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995-", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995-1", 0, 0, 0, "is not a date in any accepted notation"},
             {"1995.45", 0, 0, 0, "is not a date in any accepted notation"},
             {"Q1 1995", 0, 0, 0, "is not a date in any accepted notation"},
             {"", 0, 0, 0, "is not a date in any accepted notation"}}) {
        PeriodDate date{-99, 0};
        std::string problem;
        bool read = parseDateNotation(r.text, r.frequencyGiven, date, problem);
        EXPECT_EQ(read, r.frequency != 0) << r.text;
        if (read) {
            EXPECT_EQ(date.index, r.index) << r.text;
            EXPECT_EQ(date.frequency, r.frequency) << r.text;
        } else {
            EXPECT_EQ(problem.rfind(r.problem, 0), 0u) << r.text << ": " << problem;
            EXPECT_EQ(date.index, -99) << r.text;
        }
    }
}

TEST_F(DateNotation, QuartersFollowTheBanksOriginAndStylesWriteWhatIsRead) {
    model.bankBaseMonth = 4;
    PeriodDate date{0, 0};
    std::string problem;
    ASSERT_TRUE(parseDateNotation("1990-05-15", 4, date, problem)) << problem;
    EXPECT_EQ(date.index, 0);
    ASSERT_TRUE(parseDateNotation("1990Q1", 0, date, problem)) << problem;
    EXPECT_EQ(date.index, -1);
    struct Written {
        int32_t index;
        int16_t frequency;
        DateStyle style;
        const char* text;
    };
    for (const Written& w : std::vector<Written>{{5, 4, DateStyle::vorn, "1991.3"},
                                                 {5, 4, DateStyle::iso, "1991-07-01"},
                                                 {5, 4, DateStyle::letter, "1991Q3"},
                                                 {8, 12, DateStyle::iso, "1990-12-01"},
                                                 {8, 12, DateStyle::letter, "1990M12"},
                                                 {9, 12, DateStyle::letter, "1991M01"},
                                                 {3, 2, DateStyle::iso, "1991-07-01"},
                                                 {3, 2, DateStyle::letter, "1991H2"},
                                                 {3, 1, DateStyle::iso, "1993-01-01"},
                                                 {3, 1, DateStyle::letter, "1993"}}) {
        std::string text;
        ASSERT_TRUE(formatDate(w.index, w.frequency, text, w.style)) << w.text;
        EXPECT_EQ(text, w.text);
        ASSERT_TRUE(parseDateNotation(text, w.frequency, date, problem)) << text << ": " << problem;
        EXPECT_EQ(date.index, w.index) << text;
    }
}

}  // namespace
