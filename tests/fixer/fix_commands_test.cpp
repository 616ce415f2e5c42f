// The fix commands: slots of the fix table and the fix-value series NAME:f.
#include <cstdio>
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
    }
    struct Snapshot {
        int32_t count;
        std::vector<char> type;
        std::vector<int32_t> param, ofSeries;
        std::string data, index;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() {
        std::fflush(model.bankDataFile);
        std::fflush(model.bankIndexFile);
        return {model.fixCount, std::vector<char>(model.fixType, model.fixType + kFixSlots),
                std::vector<int32_t>(model.fixParam, model.fixParam + kFixSlots), model.fixOfSeries,
                readFile(scratch.file("bws.bnk")), readFile(scratch.file("bws.ind"))};
    }
    // `text` gives `output`, leaves the fix table and the bank as they were, and
    // the statement after it is read.
    void expectRefused(const std::string& text, const std::string& output) {
        SCOPED_TRACE(text);
        Snapshot before = snapshot();
        model.staticSimulation = false;
        EXPECT_EQ(run(text + "static\n"), output);
        EXPECT_EQ(snapshot(), before);
        EXPECT_TRUE(model.staticSimulation);
    }
};

TEST_F(FixTest, CtaTakesASlotAndWritesItsValues) {
    EXPECT_EQ(run("cta c1\n2001.1 2 0 0 0 10\n"), "");
    EXPECT_EQ(model.fixCount, 2);
    EXPECT_EQ(model.fixType[1], 'c');
    EXPECT_EQ(model.fixParam[1], 4);
    EXPECT_EQ(model.fixOfSeries, (std::vector<int32_t>{0, 1, 0}));
    std::vector<float> values = bank().values("c1:f");
    ASSERT_EQ(values.size(), 80u);
    EXPECT_EQ(std::vector<float>(values.begin() + 43, values.begin() + 50), (std::vector<float>{0, 2, 4, 6, 8, 10, 0}));
    EXPECT_EQ(bank().names.back(), "c1:f");
}

TEST_F(FixTest, MulOvrAndRhoTakeTheirLetters) {
    run("mul c0\n2001.1 1.5\novr c2\n2001.1 3\nrho c1 0.75\nrho c1 0.9999\nrho c1 -0.5\n");
    EXPECT_EQ(std::string(model.fixType + 1, 5), "morrr");
    // The value series' bank position, or rho in thousandths truncated.
    EXPECT_EQ(std::vector<int32_t>(model.fixParam + 1, model.fixParam + 6), (std::vector<int32_t>{4, 5, 750, 999, -500}));
    EXPECT_EQ(model.fixOfSeries, (std::vector<int32_t>{1, 5, 2}));
}

TEST_F(FixTest, SecondFixOnASeriesOverwritesItsValueSeries) {
    run("cta c1\n2001.1 5\nmul c1\n2001.2 2\n");
    EXPECT_EQ(model.fixOfSeries[1], 2);
    EXPECT_EQ(model.fixParam[1], model.fixParam[2]);
    EXPECT_EQ(bank().names, (std::vector<std::string>{"c0", "c1", "c2", "extra", "c1:f"}));
    std::vector<float> values = bank().values("c1:f");
    EXPECT_EQ(values[44], 0.0f);
    EXPECT_EQ(values[45], 2.0f);
}

TEST_F(FixTest, SkipTakesNoSlot) {
    run("cta c2\n2001.1 1\nskip c2\n");
    EXPECT_EQ(model.fixOfSeries[2], -1);
    EXPECT_EQ(model.fixCount, 2);
    run("rho c2 0.5\n");
    EXPECT_EQ(model.fixOfSeries[2], 2);  // a fix after skip replaces it
}

TEST_F(FixTest, Refusals) {
    expectRefused("rho c0 1E10\n", "Rho 1e+10 out of range. Fix on c0 ignored.\n");
    expectRefused("rho c0\n", "Rho number missing. Fix on c0 ignored.\n");  // the next line is a command
    expectRefused("rho c0 = -\n", "Rho number missing. Fix on c0 ignored.\n");
    expectRefused("cta 5\n", "Need name on fix command\n");
    expectRefused("cta nosuch\n2001.1 5\n", "Cannot find nosuch\n");
    expectRefused("cta c0\n, 5\n", "\nJunk on data line:  ,");
    run("cta c0\n2001.1 5\n");
    EXPECT_EQ(model.fixOfSeries[0], 1);  // the slot the rejected fix would have had
    expectRefused("skip c0:f\n", "c0:f is not a series of the model. Fix on c0:f ignored.\n");
    expectRefused("cta extra\n2001.1 5\n", "extra is not a series of the model. Fix on extra ignored.\n");
}

TEST_F(FixTest, NineHundredNinetyNineFixesAndNoMore) {
    std::string text;
    for (int i = 0; i < 999; ++i) text += "rho c0 0.5\n";
    EXPECT_EQ(run(text), "");
    EXPECT_EQ(model.fixCount, 1000);
    EXPECT_EQ(model.fixOfSeries[0], 999);
    expectRefused("rho c1 0.5\n", "Too many fixes. Fix on c1 ignored.\n");
    expectRefused("skip c1\n", "Too many fixes. Fix on c1 ignored.\n");
}

TEST_F(FixTest, NameTooLongForItsValueSeriesIsRefused) {
    std::string name(38, 'n');
    BankLayout layout;
    layout.series = {{name, 4, {}}, {std::string(37, 'm'), 4, {}}};
    makeBank(layout, 2, 2000.4, 2002.4);
    EXPECT_EQ(run("cta " + name + "\n2001.1 5\n"),
              "Fix on " + name + " ignored: a fixed series' name may have at most 37 characters.\n");
    EXPECT_EQ(model.fixCount, 1);
    EXPECT_EQ(run("rho " + name + " 0.5\n"), "");  // rho has no value series
    EXPECT_EQ(run("cta " + std::string(37, 'm') + "\n2001.1 5\n"), "");
    EXPECT_EQ(bank().names.back(), std::string(37, 'm') + ":f");
    EXPECT_EQ(model.fixCount, 3);
}

TEST_F(FixTest, AddFixReportsItsResult) {
    ConsoleCapture capture;
    EXPECT_EQ(addFix(readFrom("c0 0.5\n"), 'r'), 0);
    EXPECT_EQ(addFix(readFrom("nosuch 0.5\n"), 'r'), -1);
    EXPECT_EQ(addFix(readFrom("c1\n"), 's'), 0);
}

}  // namespace
