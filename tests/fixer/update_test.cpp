// The update command: operations over the run's periods and data lines.
#include <cfenv>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "fixer/update_commands.h"
#include "state/model_state.h"

namespace {

// Quarterly bank from 1990.1, 80 quarters; the run from 2000.4 (index 43) to 2002.4 (51).
const std::vector<float> kX = counting(80);
const std::vector<float> kZ(80, 0.0f);
const std::vector<float> kY(80, 7.0f);

class UpdateTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        BankLayout layout;
        layout.series = {{"x", 4, kX}, {"z", 4, kZ}, {"y", 4, kY}};
        makeBank(layout, 3, 2000.4, 2002.4);
    }
};

// x with `op` applied over the run's periods after the base period.
std::vector<float> xOverTheRun(const std::function<float(float)>& op) {
    std::vector<float> values = kX;
    for (int k = 44; k <= 51; ++k) values[k] = op(values[k]);
    return values;
}

// z with `written` from bank period `first` on.
std::vector<float> zFrom(size_t first, const std::vector<float>& written) {
    std::vector<float> values = kZ;
    for (size_t k = 0; k < written.size(); ++k) values[first + k] = written[k];
    return values;
}

// The series `name` holds `values` afterwards; the other series are untouched.
struct UpdateCase {
    std::string text, output, name;
    std::vector<float> values;
    int result = kFixerEndOfInput;
    bool staticSimulation = false;
    int8_t frequency = 4;  // the written series' frequency byte
};
void PrintTo(const UpdateCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text); }

class UpdateCommandTest : public UpdateTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateCommandTest, WritesOneSeries) {
    const UpdateCase& c = GetParam();
    EXPECT_EQ(run(c.text), c.output);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(model.staticSimulation, c.staticSimulation);
    for (const auto& [name, unchanged] : {std::pair{"x", kX}, std::pair{"z", kZ}, std::pair{"y", kY}}) {
        EXPECT_EQ(bank().values(name), name == c.name ? c.values : unchanged) << name;
        EXPECT_EQ(bank().frequency(name), name == c.name ? c.frequency : 4) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Update, UpdateCommandTest,
    ::testing::Values(
        UpdateCase{"update x + 5\n", "", "x", xOverTheRun([](float v) { return v + 5; })},
        UpdateCase{"up x - 5\n", "", "x", xOverTheRun([](float v) { return v - 5; })},
        UpdateCase{"update x * 1.1\n", "", "x",
                   xOverTheRun([](float v) { return static_cast<float>(static_cast<double>(v) * 1.1f); })},
        UpdateCase{"update x +\n", "\nNeed number after +.\n", "x", kX},
        UpdateCase{"update x * y\n", "\nNeed number after *.\n", "x", kX},  // y is consumed
        UpdateCase{"update 5\n", "\n no name on update command.", "x", kX},
        UpdateCase{"update nosuch + 1\n", "\nCannot find nosuch\n", "x", kX},
        UpdateCase{"update xy * 2\n", "\nCannot find xy\n  did you mean x?\n", "x", kX},  // the first within two edits
        UpdateCase{"update z\n2001.1 10 0 0 40\n", "", "z", zFrom(44, {10, 20, 30, 40})},  // zeros are filled
        UpdateCase{"update z\n2000.3 1 2 3 4\n", "", "z", zFrom(44, {3, 4})},  // not at or before the base period
        UpdateCase{"update z\n2001.1 5 -3\n2001.4 - 2 1\n", "", "z", zFrom(44, {5, -3, -2.5f, -2, 1})},
        UpdateCase{"update z\n2001.1 1\n\n2001.3 3\ngo\n", "", "z", zFrom(44, {1, 2, 3}), kFixerGo},
        UpdateCase{"update z\n+ 5\n", "\nJunk on data line:  +", "z", kZ},
        UpdateCase{"update z\n2001.1 4\n, 5\n", "\nJunk on data line:  ,", "z", kZ},
        // The date on the command line is lost: 5 is taken as a date, annual, which z is not.
        UpdateCase{"update z 2001.1 5\n2001.2 6\n", "\nThe date 5 is annual, but z is quarterly: nothing is written to z.\n",
                   "z", kZ},
        UpdateCase{"update z\n2030.1 5 6\n2001.1 7\nstatic\n", "", "z", kZ, kFixerEndOfInput, true},
        UpdateCase{"update z\n2009.3 1 2 3 4\n", "", "z", zFrom(78, {1, 2})},  // not beyond the record
        UpdateCase{"update z\n2001.45 5\n", kBadDate, "z", kZ},
        // Values a 32-bit float cannot hold are refused (after the overflow's warning), and nothing is written.
        UpdateCase{"update x * 1E38\n",
                   "\nx at bank period 44: inf is not a finite 32-bit value; nothing written.\n"
                   "Arithmetic warning Top of fixer loop.\n",
                   "x", kX},
        UpdateCase{"update z\n2001.2 5 1E39\n",
                   "Arithmetic warning before linit\n\n"
                   "\nz at bank period 46: inf is not a finite 32-bit value; nothing written.\n",
                   "z", kZ},
        UpdateCase{"update z\n2001.1 5\n; static\n", "", "z", zFrom(44, {5}), kFixerEndOfInput, true},
        UpdateCase{"update z\n2001.1 5\n2001.001 5\n",
                   "\nThe date 2001.001 is monthly, but z is quarterly: nothing is written to z.\n", "z", kZ}));

// A series of another frequency than the run's cannot change over the run's periods.
TEST_F(UpdateTest, SeriesOfAnotherFrequencyIsRefused) {
    BankLayout layout;
    layout.series = {{"q", 4, kX}, {"a", 1, kY}};
    for (const char* text : {"update a * 2\n", "matup\nq a\n2001.1 1 2\n"}) {
        makeBank(layout, 2, 2000.4, 2002.4);
        EXPECT_EQ(run(text), "\na is annual, but the run is quarterly: nothing is written to it.\n") << text;
        EXPECT_EQ(bank().values("a"), kY) << text;
        EXPECT_EQ(bank().values("q"), kX) << text;
    }
}

TEST_F(UpdateTest, NextCommandRightAfterFillsTheSeriesOwnGaps) {
    std::vector<float> start(80, 0.0f);
    start[45] = 2;
    start[48] = 8;
    BankLayout layout;
    layout.series = {{"g", 4, start}};
    makeBank(layout, 1, 2000.4, 2002.4);
    EXPECT_EQ(run("update g\nstatic\n"), "");
    std::vector<float> values = bank().values("g");
    EXPECT_EQ(std::vector<float>(values.begin() + 44, values.begin() + 50), (std::vector<float>{0, 2, 4, 6, 8, 0}));
    EXPECT_TRUE(model.staticSimulation);
}

TEST_F(UpdateTest, EmptyConsoleLineEndsDataLinesButNotTheFixer) {
    ConsoleCapture capture("update z\n2001.1 5\n\nstatic\ngo\n");
    EXPECT_EQ(runConsole("debug"), kFixerGo);
    EXPECT_EQ(bank().values("z")[44], 5.0f);
    EXPECT_TRUE(model.staticSimulation);
}

TEST_F(UpdateTest, ReadDataLinesReturnsTheBankPosition) {
    ValueTable table = makeValueTable();
    ConsoleCapture capture;
    EXPECT_EQ(readDataLines(table, "new", readFrom("2001.1 4\n")), 3);
    EXPECT_EQ(bank().names, (std::vector<std::string>{"x", "z", "y", "new"}));
    EXPECT_EQ(bank().values("new")[44], 4.0f);
}

TEST_F(UpdateTest, ArithmeticFaultAfterDataLinesIsExplained) {
    std::feclearexcept(FE_ALL_EXCEPT);
    // The filled steps between the two tiny values are subnormal.
    EXPECT_EQ(run("update z\n2001.1 1E-37 0 0 0 1.1E-37\n", "ab"),
              "Arithmetic warning after readdata in updatecmd\n"
              "Probably you have specified some exogenous variable as all zero.\n"
              "Remember, a 0 asks the program to interpolate the value,\n"
              "so not all values can be specified to be 0. Use a very small value for some.\n");
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
