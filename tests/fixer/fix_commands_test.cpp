// The fix commands: slots of the fix table and the fix-value series NAME:f.
#include <cstring>
#include <string>
#include <vector>

#include "fixer/fix_commands.h"
#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

// Quarterly bank from 1990.1; model series c0, c1, c2, then a bank-only series.
// The run starts at 2000.4 (index 43).
class FixTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        BankLayout layout;
        layout.series = {{"c0", 4, {}}, {"c1", 4, {}}, {"c2", 4, {}}, {"extra", 4, {}}};
        makeBank(layout, 3, 2000.4, 2002.4);
        model.addPrint = 0;
    }
    struct TableCopy {
        int32_t count;
        std::vector<char> type;
        std::vector<int32_t> param;
        std::vector<int32_t> ofSeries;
        bool operator==(const TableCopy&) const = default;
    };
    TableCopy table() {
        return {model.fixCount, std::vector<char>(model.fixType, model.fixType + kFixSlots),
                std::vector<int32_t>(model.fixParam, model.fixParam + kFixSlots), model.fixOfSeries};
    }
};

TEST_F(FixTest, CtaTakesASlotAndWritesItsValues) {
    EXPECT_EQ(run("cta c1\n2001.1 2 0 0 0 10\n"), "");
    EXPECT_EQ(model.fixCount, 2);
    EXPECT_EQ(model.fixType[1], 'c');
    EXPECT_EQ(model.fixParam[1], 4);
    EXPECT_EQ(model.fixOfSeries, (std::vector<int32_t>{0, 1, 0}));
    std::vector<float> values = bankValues("c1:f");
    ASSERT_EQ(values.size(), 80u);
    EXPECT_EQ(std::vector<float>(values.begin() + 43, values.begin() + 50),
              (std::vector<float>{0, 2, 4, 6, 8, 10, 0}));
    EXPECT_EQ(bankNames().back(), "c1:f");
}

TEST_F(FixTest, MulAndOvrTakeTheirLetters) {
    run("mul c0\n2001.1 1.5\novr c2\n2001.1 3\n");
    EXPECT_EQ(model.fixType[1], 'm');
    EXPECT_EQ(model.fixType[2], 'o');
    EXPECT_EQ(model.fixOfSeries, (std::vector<int32_t>{1, 0, 2}));
    EXPECT_EQ(model.fixParam[1], 4);
    EXPECT_EQ(model.fixParam[2], 5);
}

TEST_F(FixTest, SecondFixOnASeriesOverwritesItsValueSeries) {
    run("cta c1\n2001.1 5\nmul c1\n2001.2 2\n");
    EXPECT_EQ(model.fixOfSeries[1], 2);
    EXPECT_EQ(model.fixParam[1], model.fixParam[2]);
    EXPECT_EQ(bankNames(), (std::vector<std::string>{"c0", "c1", "c2", "extra", "c1:f"}));
    std::vector<float> values = bankValues("c1:f");
    EXPECT_EQ(values[44], 0.0f);
    EXPECT_EQ(values[45], 2.0f);
}

TEST_F(FixTest, RhoKeepsThousandthsTruncated) {
    run("rho c0 0.75\nrho c1 0.9999\nrho c2 -0.5\n");
    EXPECT_EQ(model.fixParam[1], 750);
    EXPECT_EQ(model.fixParam[2], 999);
    EXPECT_EQ(model.fixParam[3], -500);
    EXPECT_EQ(model.fixType[3], 'r');
    EXPECT_EQ(model.fixOfSeries, (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(FixTest, RhoOutOfRangeIsRefused) {
    TableCopy before = table();
    EXPECT_EQ(run("rho c0 1E10\n"), "Rho 1e+10 out of range. Fix on c0 ignored.\n");
    EXPECT_EQ(table(), before);
}

TEST_F(FixTest, SkipTakesNoSlot) {
    run("cta c2\n2001.1 1\nskip c2\n");
    EXPECT_EQ(model.fixOfSeries[2], -1);
    EXPECT_EQ(model.fixCount, 2);
    run("rho c2 0.5\n");
    EXPECT_EQ(model.fixOfSeries[2], 2);  // a fix after skip replaces it
}

TEST_F(FixTest, NineHundredNinetyNineFixesAndNoMore) {
    std::string text;
    for (int i = 0; i < 999; ++i) text += "rho c0 0.5\n";
    EXPECT_EQ(run(text), "");
    EXPECT_EQ(model.fixCount, 1000);
    EXPECT_EQ(model.fixOfSeries[0], 999);
    TableCopy before = table();
    EXPECT_EQ(run("rho c1 0.5\n"), "Too many fixes. Fix on c1 ignored.\n");
    EXPECT_EQ(run("skip c1\n"), "Too many fixes. Fix on c1 ignored.\n");
    EXPECT_EQ(table(), before);
}

TEST_F(FixTest, NoNameAndUnknownName) {
    EXPECT_EQ(run("cta 5\n"), "Need name on fix command\n");
    EXPECT_EQ(run("cta nosuch\n2001.1 5\n"), "Cannot find nosuch\n");
    EXPECT_EQ(model.fixCount, 1);
}

TEST_F(FixTest, BankSeriesBeyondTheModelIsRefused) {
    run("cta c0\n2001.1 5\n");
    TableCopy before = table();
    EXPECT_EQ(run("skip c0:f\ncta extra\n2001.1 5\nstatic\n"),
              "c0:f is not a series of the model. Fix on c0:f ignored.\n"
              "extra is not a series of the model. Fix on extra ignored.\n");
    EXPECT_EQ(table(), before);
    EXPECT_EQ(model.staticSimulation, 'y');
    EXPECT_EQ(bankValues("extra"), std::vector<float>(80, 0.0f));
}

TEST_F(FixTest, RejectedDataLinesLeaveTheTableAsItWas) {
    run("rho c0 0.5\n");
    TableCopy before = table();
    EXPECT_EQ(run("cta c0\n, 5\n"), "\nJunk on data line:  ,");
    EXPECT_EQ(table(), before);
    EXPECT_EQ(bankNames().size(), 4u);
    run("mul c1\n2001.1 2\n");
    EXPECT_EQ(model.fixOfSeries[1], 2);  // the slot the rejected fix would have had
}

TEST_F(FixTest, NameTooLongForItsValueSeriesIsRefused) {
    std::string name(38, 'n');
    BankLayout layout;
    layout.series = {{name, 4, {}}, {std::string(37, 'm'), 4, {}}};
    makeBank(layout, 2, 2000.4, 2002.4);
    model.addPrint = 0;
    EXPECT_EQ(run("cta " + name + "\n2001.1 5\n"),
              "Fix on " + name + " ignored: a fixed series' name may have at most 37 characters.\n");
    EXPECT_EQ(model.fixCount, 1);
    EXPECT_EQ(run("rho " + name + " 0.5\n"), "");  // rho has no value series
    EXPECT_EQ(run("cta " + std::string(37, 'm') + "\n2001.1 5\n"), "");
    EXPECT_EQ(bankNames().back(), std::string(37, 'm') + ":f");
    EXPECT_EQ(model.fixCount, 3);
}

TEST_F(FixTest, AddFixReportsItsResult) {
    ConsoleCapture capture;
    EXPECT_EQ(addFix(readFrom("c0 0.5\n"), 'r'), 0);
    EXPECT_EQ(addFix(readFrom("nosuch 0.5\n"), 'r'), -1);
    EXPECT_EQ(addFix(readFrom("c1\n"), 's'), 0);
}

}  // namespace
