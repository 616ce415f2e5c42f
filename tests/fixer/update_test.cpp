// The update command: operations over the run's periods and data lines.
#include <cfenv>
#include <string>
#include <vector>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "fixer/update_commands.h"
#include "state/model_state.h"

namespace {

// Quarterly bank from 1990.1, 80 quarters; the run from 2000.4 (index 43) to 2002.4 (51).
class UpdateTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        BankLayout layout;
        std::vector<float> counting;
        for (int p = 0; p < 80; ++p) counting.push_back(static_cast<float>(p + 1));
        layout.series = {{"x", 4, counting}, {"z", 4, {}}, {"y", 4, std::vector<float>(80, 7.0f)}};
        makeBank(layout, 3, 2000.4, 2002.4);
        model.addPrint = 0;
    }
    std::vector<float> before(const std::string& name) { return bankValues(name); }
};

TEST_F(UpdateTest, PlusAddsOverTheRunsPeriods) {
    std::vector<float> expected = before("x");
    for (int k = 44; k <= 51; ++k) expected[k] += 5;
    EXPECT_EQ(run("update x + 5\n"), "");
    EXPECT_EQ(bankValues("x"), expected);
}

TEST_F(UpdateTest, MinusSubtracts) {
    std::vector<float> expected = before("x");
    for (int k = 44; k <= 51; ++k) expected[k] -= 5;
    run("up x - 5\n");
    EXPECT_EQ(bankValues("x"), expected);
}

TEST_F(UpdateTest, TimesScales) {
    std::vector<float> expected = before("x");
    for (int k = 44; k <= 51; ++k) {
        expected[k] = static_cast<float>(static_cast<double>(expected[k]) * 1.1f);
    }
    run("update x * 1.1\n");
    EXPECT_EQ(bankValues("x"), expected);
    EXPECT_EQ(bankFrequency("x"), 4);
}

TEST_F(UpdateTest, OperationWithoutNumberWritesNothing) {
    std::vector<float> expected = before("x");
    EXPECT_EQ(run("update x +\n"), "\nNeed number after +.\n");
    EXPECT_EQ(run("update x * y\n"), "\nNeed number after *.\n");  // y is consumed
    EXPECT_EQ(bankValues("x"), expected);
}

TEST_F(UpdateTest, NoNameAndUnknownName) {
    EXPECT_EQ(run("update 5\n"), "\n no name on update command.");
    EXPECT_EQ(run("update nosuch + 1\n"), "\nCannot find nosuch");
}

TEST_F(UpdateTest, DataLineZerosAreFilled) {
    EXPECT_EQ(run("update z\n2001.1 10 0 0 40\n"), "");
    std::vector<float> values = bankValues("z");
    EXPECT_EQ(std::vector<float>(values.begin() + 43, values.begin() + 49),
              (std::vector<float>{0, 10, 20, 30, 40, 0}));
    EXPECT_EQ(bankFrequency("z"), 4);
}

TEST_F(UpdateTest, ValuesAtOrBeforeTheBasePeriodAreNotStored) {
    run("update z\n2000.3 1 2 3 4\n");
    std::vector<float> values = bankValues("z");
    EXPECT_EQ(std::vector<float>(values.begin() + 41, values.begin() + 47),
              (std::vector<float>{0, 0, 0, 3, 4, 0}));
}

TEST_F(UpdateTest, MinusMakesTheNextValueNegative) {
    run("update z\n2001.1 5 -3\n2001.4 - 2 1\n");
    std::vector<float> values = bankValues("z");
    EXPECT_EQ(std::vector<float>(values.begin() + 44, values.begin() + 49),
              (std::vector<float>{5, -3, -2.5f, -2, 1}));
}

TEST_F(UpdateTest, SeveralDataLinesAndEmptyLines) {
    run("update z\n2001.1 1\n\n2001.3 3\ngo\n");
    std::vector<float> values = bankValues("z");
    EXPECT_EQ(std::vector<float>(values.begin() + 44, values.begin() + 47),
              (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(result, kFixerGo);
}

TEST_F(UpdateTest, JunkOnDataLineWritesNothing) {
    EXPECT_EQ(run("update z\n+ 5\n"), "\nJunk on data line:  +");
    EXPECT_EQ(run("update z\n2001.1 4\n, 5\n"), "\nJunk on data line:  ,");
    EXPECT_EQ(bankValues("z"), std::vector<float>(80, 0.0f));
}

TEST_F(UpdateTest, NextCommandRightAfterFillsTheSeriesOwnGaps) {
    std::vector<float> start(80, 0.0f);
    start[45] = 2;
    start[48] = 8;
    BankLayout layout;
    layout.series = {{"g", 4, start}};
    makeBank(layout, 1, 2000.4, 2002.4);
    model.addPrint = 0;
    EXPECT_EQ(run("update g\nstatic\n"), "");
    std::vector<float> values = bankValues("g");
    EXPECT_EQ(std::vector<float>(values.begin() + 44, values.begin() + 50),
              (std::vector<float>{0, 2, 4, 6, 8, 0}));
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(UpdateTest, DateOnTheCommandLineIsLost) {
    run("update z 2001.1 5\n2001.2 6\n");
    std::vector<float> values = bankValues("z");
    EXPECT_EQ(values[44], 0.0f);
    EXPECT_EQ(values[45], 0.0f);  // 5 was taken as a date before the bank
}

TEST_F(UpdateTest, DateOutsideTheBankEndsTheDataLines) {
    EXPECT_EQ(run("update z\n2030.1 5 6\n2001.1 7\nstatic\n"), "");
    EXPECT_EQ(bankValues("z"), std::vector<float>(80, 0.0f));
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(UpdateTest, ValuesBeyondTheRecordAreNotStored) {
    std::vector<float> y = bankValues("y");
    run("update z\n2009.3 1 2 3 4\n");
    std::vector<float> values = bankValues("z");
    EXPECT_EQ(values[78], 1.0f);
    EXPECT_EQ(values[79], 2.0f);
    EXPECT_EQ(bankValues("y"), y);
    EXPECT_EQ(bankValues("x")[0], 1.0f);
}

TEST_F(UpdateTest, BadDateIsRefused) {
    EXPECT_EQ(run("update z\n2001.45 5\n"),
              "\nBad date 2001.45: write 1995, 1995.1 to 1995.4, 1995.001 to 1995.012, 1995.5 or "
              "1995.6.\n");
    EXPECT_EQ(bankValues("z"), std::vector<float>(80, 0.0f));
}

TEST_F(UpdateTest, SemicolonEndsDataLinesAndIsConsumed) {
    EXPECT_EQ(run("update z\n2001.1 5\n; static\n"), "");
    EXPECT_EQ(bankValues("z")[44], 5.0f);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(UpdateTest, DataLineDateSetsTheFrequencyWritten) {
    run("update z\n2001.001 5\n");
    EXPECT_EQ(bankFrequency("z"), 12);
}

TEST_F(UpdateTest, EmptyConsoleLineEndsDataLinesButNotTheFixer) {
    ConsoleCapture capture("update z\n2001.1 5\n\nstatic\ngo\n");
    EXPECT_EQ(runConsole("debug"), kFixerGo);
    EXPECT_EQ(bankValues("z")[44], 5.0f);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(UpdateTest, ReadDataLinesReturnsTheBankPosition) {
    ValueTable table = makeValueTable();
    ConsoleCapture capture;
    EXPECT_EQ(readDataLines(table, "new", readFrom("2001.1 4\n")), 3);
    EXPECT_EQ(bankNames(), (std::vector<std::string>{"x", "z", "y", "new"}));
    EXPECT_EQ(bankValues("new")[44], 4.0f);
}

TEST_F(UpdateTest, ArithmeticFaultAfterDataLinesIsExplained) {
    std::feclearexcept(FE_ALL_EXCEPT);
    // The filled steps between the two tiny values are subnormal.
    std::string output = run("update z\n2001.1 1E-37 0 0 0 1.1E-37\n", "ab");
    EXPECT_EQ(output,
              "Arithmetic warning after readdata in updatecmd\n"
              "Probably you have specified some exogenous variable as all zero.\n"
              "Remember, a 0 asks the program to interpolate the value,\n"
              "so not all values can be specified to be 0. Use a very small value for some.\n");
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
