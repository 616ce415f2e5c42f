// The print command: layouts by frequency and the remembered range.
#include <string>
#include <vector>

#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

class PrintTest : public FixerTest {
protected:
    // A bank whose one series holds 1, 2, 3, ... from period 0.
    void open(int16_t baseMonth, int8_t frequency, double date1, double date2) {
        BankLayout layout;
        layout.baseMonth = baseMonth;
        std::vector<float> counting;
        for (int p = 0; p < 80; ++p) counting.push_back(static_cast<float>(p + 1));
        layout.series = {{"x", frequency, counting}};
        makeBank(layout, 1, date1, date2);
        model.addPrint = 0;
    }
};

TEST_F(PrintTest, AnnualFiveYearsALine) {
    open(1, 1, 1990, 1999);
    EXPECT_EQ(run("print x\n"),
              "\n1990.000       1.000      2.000      3.000      4.000      5.000"
              "\n1995.000       6.000      7.000      8.000      9.000     10.000\n");
}

TEST_F(PrintTest, QuarterlyYearIsOneLine) {
    open(1, 4, 2000.4, 2002.4);
    EXPECT_EQ(run("type x 2001.1 2001.4\n"), "\n2001.100      45.000     46.000     47.000     48.000\n");
}

TEST_F(PrintTest, MonthlyYearWrapsAfterSixValues) {
    open(1, 12, 1991.001, 1991.012);
    EXPECT_EQ(run("pr x\n"),
              "\n1991.001      13.000     14.000     15.000     16.000     17.000     18.000"
              "\n\t\t      19.000     20.000     21.000     22.000     23.000     24.000\n");
}

TEST_F(PrintTest, FirstDateIsRemembered) {
    open(1, 4, 2000.4, 2001.3);
    std::string expected = "\n2001.100      45.000     46.000     47.000\n";
    EXPECT_EQ(run("print x 2001.1\n"), expected);
    EXPECT_EQ(model.printFrom, static_cast<float>(2001.1));
    EXPECT_EQ(run("print x\n"), expected);
}

TEST_F(PrintTest, BothDatesAreRemembered) {
    open(1, 4, 2000.4, 2002.4);
    run("print x 2001.2 2001.3\n");
    EXPECT_EQ(run("print x\n"), "\n2001.200      46.000     47.000\n");
}

TEST_F(PrintTest, FirstDateAfterLastPrintsOnlyTheLineEnd) {
    open(1, 4, 2000.4, 2002.4);
    EXPECT_EQ(run("print x 2002.1 2001.1\n"), "\n");
}

TEST_F(PrintTest, Refusals) {
    open(1, 4, 2000.4, 2002.4);
    EXPECT_EQ(run("print\n"), "\n no name in pr line \n ");
    EXPECT_EQ(run("print q\n"), "\nCannot find q");
    EXPECT_EQ(run("print x 1989.4\n"), "\n first date is before begining of workspace bank. \n ");
    EXPECT_EQ(run("print x 2001.1 2030.1\n"), "\n second date too far out. \n");
    EXPECT_EQ(model.printFrom, static_cast<float>(2001.1));  // set before the refusal
}

TEST_F(PrintTest, DateBeforeTheBanksFirstPeriodPrintsNothing) {
    open(4, 4, 2000.4, 2002.4);  // the bank begins with the second quarter of 1990
    EXPECT_EQ(run("print x 1990.1\n"), "");
}

TEST_F(PrintTest, BadDateIsRefusedAndTheRangeKept) {
    open(1, 4, 2000.4, 2002.4);
    EXPECT_EQ(run("print x 2001.45\n"),
              "\nBad date 2001.45: write 1995, 1995.1 to 1995.4, 1995.001 to 1995.012, 1995.5 or "
              "1995.6.\n");
    EXPECT_EQ(model.printFrom, static_cast<float>(2000.4));
}

}  // namespace
