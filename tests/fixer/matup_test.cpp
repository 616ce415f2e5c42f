// The matup command: several series given as rows of a table.
#include <string>
#include <vector>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

// Quarterly bank from 1990.1; the run starts at 2000.4 (index 43).
class MatupTest : public FixerTest {
protected:
    void open(int16_t length) {
        BankLayout layout;
        layout.length = length;
        std::vector<float> nines(static_cast<size_t>(length), 9.0f);
        layout.series = {{"a", 4, nines}, {"b", 4, nines}, {"c", 4, nines}};
        makeBank(layout, 3, 2000.4, 2002.4);
        model.addPrint = 0;
    }
    void SetUp() override {
        FixerTest::SetUp();
        open(80);
    }
    // Periods 40..49 of the series.
    std::vector<float> around(const std::string& name) {
        std::vector<float> values = bankValues(name);
        return std::vector<float>(values.begin() + 40, values.begin() + 50);
    }
};

TEST_F(MatupTest, DatedRowsFillBetweenAndZeroElsewhere) {
    EXPECT_EQ(run("matup\na b\n2001.1 1 2\n2001.3 3 6\n"), "");
    EXPECT_EQ(around("a"), (std::vector<float>{9, 9, 9, 9, 1, 2, 3, 0, 0, 0}));
    EXPECT_EQ(around("b"), (std::vector<float>{9, 9, 9, 9, 2, 4, 6, 0, 0, 0}));
    EXPECT_EQ(bankValues("a")[79], 0.0f);
    EXPECT_EQ(bankValues("c"), std::vector<float>(80, 9.0f));
}

TEST_F(MatupTest, StartDateGivesConsecutiveRows) {
    run("mat 2001.1 anything here\na b\n1 2\n3 4\ngo\n");
    EXPECT_EQ(around("a"), (std::vector<float>{9, 9, 9, 9, 1, 3, 0, 0, 0, 0}));
    EXPECT_EQ(around("b"), (std::vector<float>{9, 9, 9, 9, 2, 4, 0, 0, 0, 0}));
    EXPECT_EQ(result, kFixerGo);  // the word ending the rows is read again
}

TEST_F(MatupTest, ShortRowTakesItsValuesFromTheNextLine) {
    run("matup\na b\n2001.1 1\n2001.2 5 6\n");
    EXPECT_EQ(bankValues("a")[44], 1.0f);
    EXPECT_EQ(bankValues("b")[44], static_cast<float>(2001.2));
}

TEST_F(MatupTest, ThirteenNamesAreRefused) {
    EXPECT_EQ(run("matup\na b c d e f g h i j k l m\n2001.1 1 2 3 4 5 6 7 8 9 10 11 12 13\n"),
              "\nNo more than 12 series allowed on mdata command\n");
    EXPECT_EQ(bankValues("a"), std::vector<float>(80, 9.0f));
}

TEST_F(MatupTest, RowAtOrBeforeTheBasePeriodEndsTheRows) {
    run("matup\na\n2001.1 5\n2000.4 7\n2001.3 8\n");
    EXPECT_EQ(around("a"), (std::vector<float>{9, 9, 9, 9, 5, 0, 0, 0, 0, 0}));
}

TEST_F(MatupTest, SemicolonEndingTheRowsIsConsumed) {
    run("matup\na\n2001.1 5\n;\nstatic\n");
    EXPECT_EQ(bankValues("a")[44], 5.0f);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(MatupTest, UnknownSeriesStopsTheWriting) {
    EXPECT_EQ(run("matup\na nosuch b\n2001.1 1 2 3\n"), "\nCannot find nosuch");
    EXPECT_EQ(bankValues("a")[44], 1.0f);
    EXPECT_EQ(bankValues("b"), std::vector<float>(80, 9.0f));
}

TEST_F(MatupTest, BadStartDateIsRefused) {
    std::string output = run("matup 2001.45\na\n1\n");
    EXPECT_EQ(output.substr(0, 18), "\nBad date 2001.45:");
    EXPECT_EQ(bankValues("a"), std::vector<float>(80, 9.0f));
}

TEST_F(MatupTest, RowBeyondSixtyPeriodsIsRefused) {
    open(120);
    // 2016.1 is index 104: the 61st period after the base period.
    EXPECT_EQ(run("matup\na\n2001.1 1\n2016.1 5\n"), "\nSeries too long for mdata  2016.1\n");
    EXPECT_EQ(bankValues("a"), std::vector<float>(120, 9.0f));
}

TEST_F(MatupTest, PeriodsBeyondTheRowGetZero) {
    open(120);
    run("matup\na\n2015.4 5\n");
    std::vector<float> values = bankValues("a");
    EXPECT_EQ(values[43], 9.0f);
    EXPECT_EQ(values[103], 5.0f);
    for (int k = 104; k < 120; ++k) EXPECT_EQ(values[k], 0.0f) << k;
}

}  // namespace
