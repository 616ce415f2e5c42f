// The print command: layouts by frequency and the remembered range.
#include <ostream>
#include <string>
#include <vector>

#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

const std::string kQuarters2001 = "\n2001.100      45.000     46.000     47.000\n";
const std::string kMiddleQuarters = "\n2001.200      46.000     47.000\n";

// A bank from 1990 (month `baseMonth`) whose one series x holds 1, 2, 3, ...;
// the run from date1 to date2. printFrom after the commands.
struct PrintCase {
    int16_t baseMonth;
    int8_t frequency;
    double date1, date2;
    std::string text, output;
    double printFrom;
};
void PrintTo(const PrintCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text); }

class PrintTest : public FixerTest, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PrintTest, PrintsTheRange) {
    const PrintCase& c = GetParam();
    BankLayout layout;
    layout.baseMonth = c.baseMonth;
    layout.series = {{"x", c.frequency, counting(80)}};
    makeBank(layout, 1, c.date1, c.date2);
    EXPECT_EQ(run(c.text), c.output);
    EXPECT_EQ(model.printFrom, static_cast<float>(c.printFrom));
}

INSTANTIATE_TEST_SUITE_P(
    Print, PrintTest,
    ::testing::Values(
        PrintCase{1, 1, 1990, 1999, "print x\n",  // five years a line
                  "\n1990.000       1.000      2.000      3.000      4.000      5.000"
                  "\n1995.000       6.000      7.000      8.000      9.000     10.000\n",
                  1990},
        PrintCase{1, 4, 2000.4, 2002.4, "type x 2001.1 2001.4\n",
                  "\n2001.100      45.000     46.000     47.000     48.000\n", 2001.1},
        PrintCase{1, 12, 1991.001, 1991.012, "pr x\n",  // a monthly year wraps after six values
                  "\n1991.001      13.000     14.000     15.000     16.000     17.000     18.000"
                  "\n\t\t      19.000     20.000     21.000     22.000     23.000     24.000\n",
                  1991.001},
        // Dates given are remembered for later prints.
        PrintCase{1, 4, 2000.4, 2001.3, "print x 2001.1\nprint x\n", kQuarters2001 + kQuarters2001, 2001.1},
        PrintCase{1, 4, 2000.4, 2002.4, "print x 2001.2 2001.3\nprint x\n", kMiddleQuarters + kMiddleQuarters,
                  2001.2},
        PrintCase{1, 4, 2000.4, 2002.4, "print x 2002.1 2001.1\n", "\n", 2002.1},
        PrintCase{1, 4, 2000.4, 2002.4, "print\n", "\n no name in pr line \n ", 2000.4},
        PrintCase{1, 4, 2000.4, 2002.4, "print q\n", "\nCannot find q\n  did you mean x?\n", 2000.4},
        PrintCase{1, 4, 2000.4, 2002.4, "print x 1989.4\n", "\n first date is before begining of workspace bank. \n ",
                  2000.4},
        PrintCase{1, 4, 2000.4, 2002.4, "print x 2001.1 2030.1\n", "\n second date too far out. \n", 2001.1},
        // The bank begins with the second quarter of 1990.
        PrintCase{4, 4, 2000.4, 2002.4, "print x 1990.1\n", "", 1990.1},
        PrintCase{1, 4, 2000.4, 2002.4, "print x 2001.45\n", kBadDate, 2000.4},
        // A year too far out to count periods to is a bad date too, not a wrong period.
        PrintCase{1, 4, 2000.4, 2002.4, "print x 99999999\n",
                  "\nBad date 99999999: write 1995, 1995.1 to 1995.4, 1995.001 to 1995.012, 1995.5 or 1995.6.\n",
                  2000.4}));

}  // namespace
