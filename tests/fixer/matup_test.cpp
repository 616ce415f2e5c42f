// The matup command: several series given as rows of a table.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

// Series a, b and c of a quarterly bank from 1990.1 hold 9 in every period; the
// run starts at 2000.4 (index 43).
std::vector<float> nines(size_t length = 80) { return std::vector<float>(length, 9.0f); }

// A series matup wrote: 9 up to the base period, `rows` after it, then zeros.
std::vector<float> written(const std::vector<float>& rows, size_t length = 80) {
    std::vector<float> values(length, 0.0f);
    std::fill(values.begin(), values.begin() + 44, 9.0f);
    std::copy(rows.begin(), rows.end(), values.begin() + 44);
    return values;
}

// 5 at 2015.4 (index 103), the last period a row may reach.
std::vector<float> lastRow() {
    std::vector<float> rows(59, 0.0f);
    rows.push_back(5);
    return rows;
}

struct MatupCase {
    std::string text, output;
    std::vector<float> a, b = nines(), c = nines();
    int result = kFixerEndOfInput;
    bool staticSimulation = false;
    int16_t length = 80;
};
void PrintTo(const MatupCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text); }

class MatupTest : public FixerTest, public ::testing::WithParamInterface<MatupCase> {};

TEST_P(MatupTest, WritesTheRows) {
    const MatupCase& c = GetParam();
    BankLayout layout;
    layout.length = c.length;
    std::vector<float> start = nines(static_cast<size_t>(c.length));
    layout.series = {{"a", 4, start}, {"b", 4, start}, {"c", 4, start}};
    makeBank(layout, 3, 2000.4, 2002.4);
    EXPECT_EQ(run(c.text), c.output);
    EXPECT_EQ(bank().values("a"), c.a);
    EXPECT_EQ(bank().values("b"), c.b);
    EXPECT_EQ(bank().values("c"), c.c);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(model.staticSimulation, c.staticSimulation);
}

INSTANTIATE_TEST_SUITE_P(
    Matup, MatupTest,
    ::testing::Values(
        MatupCase{"matup\na b\n2001.1 1 2\n2001.3 3 6\n", "", written({1, 2, 3}), written({2, 4, 6})},
        MatupCase{"matup\na b\n2001.1 1 2\n2001.2 3 -1E39\n",  // no series is written
                  "\nb at bank period 45: -inf is not a finite 32-bit value; nothing written.\n"
                  "Arithmetic warning Top of fixer loop.\n",
                  nines()},
        // A start date gives consecutive rows; the word ending them is read again.
        MatupCase{"mat 2001.1 anything here\na b\n1 2\n3 4\ngo\n", "", written({1, 3}), written({2, 4}), nines(),
                  kFixerGo},
        // A short row takes its values from the next line.
        MatupCase{"matup\na b\n2001.1 1\n2001.2 5 6\n", "", written({1}), written({static_cast<float>(2001.2)})},
        MatupCase{"matup\na b c d e f g h i j k l m\n2001.1 1 2 3 4 5 6 7 8 9 10 11 12 13\n",
                  "\nNo more than 12 series allowed on mdata command\n", nines()},
        // A row at or before the base period ends the rows.
        MatupCase{"matup\na\n2001.1 5\n2000.4 7\n2001.3 8\n", "", written({5})},
        MatupCase{"matup\na\n2001.1 5\n;\nstatic\n", "", written({5}), nines(), nines(), kFixerEndOfInput, true},
        MatupCase{"matup\na nosuch b\n2001.1 1 2 3\n", "\nCannot find nosuch\n", written({1})},  // the writing stops
        // A bad start date is refused; the names' line is then read as a statement.
        MatupCase{"matup 2001.45\na\n1\n", kBadDate + "\n bad code ", nines()},
        // 2016.1 is index 104: the 61st period after the base period.
        MatupCase{"matup\na\n2001.1 1\n2016.1 5\n", "\nSeries too long for mdata  2016.1\n", nines(120), nines(120),
                  nines(120), kFixerEndOfInput, false, 120},
        MatupCase{"matup\na\n2015.4 5\n", "", written(lastRow(), 120), nines(120), nines(120),
                  kFixerEndOfInput, false, 120}));

}  // namespace
