// The command loop: keyword matching, results, the console prompt and the
// simple commands.
#include <cfenv>
#include <climits>
#include <ostream>
#include <string>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "fixer/reader.h"
#include "state/model_state.h"

namespace {

const std::string kBadCode = "\n bad code ";
const std::string kNoFixName = "Need name on fix command\n";
const std::string kAddprintFormat = "\nFormat is \n addprint <y | n>\n";
const std::string kNoPrintName = "\n no name in pr line \n ";
const std::string kNoUpdateName = "\n no name on update command.";
const std::string kMaxiterRefused = "\nmaxiter must be 1 or more; it stays at 200.\n";

// A command file, the console input, and the loop's result and settings after it.
struct LoopCase {
    std::string text;
    std::string typed = "";
    bool echo = false;
    std::string output = "";
    int result = kFixerEndOfInput;
    bool staticSimulation = false;
    int32_t maxIterations = 200;
    bool addPrint = false;
};
void PrintTo(const LoopCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text); }

class LoopTest : public FixerTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(LoopTest, RunsTheFile) {
    const LoopCase& c = GetParam();
    model.addPrint = c.echo;
    EXPECT_EQ(run(c.text, c.typed), c.output);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(model.staticSimulation, c.staticSimulation);
    EXPECT_EQ(model.maxIterations, c.maxIterations);
    EXPECT_EQ(model.addPrint, c.addPrint);
    EXPECT_EQ(remaining, "");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LoopTest,
    ::testing::Values(
        LoopCase{.text = "go\nstatic\n", .result = kFixerGo},  // lines after go are never read
        LoopCase{.text = "run\n", .result = kFixerGo},
        LoopCase{.text = "static\n", .staticSimulation = true},
        LoopCase{.text = "1 2 3\n\n# note\n   \n4.5E3 - , ;\n"},
        // An unknown word skips its statement, here with "go" on its continuation line.
        LoopCase{.text = "bogus a +\ngo\nstatic\n", .output = kBadCode, .staticSimulation = true},
        LoopCase{.text = ": static\ngo\n", .output = kBadCode, .result = kFixerGo},
        LoopCase{.text = "\"a note\" go\n", .result = kFixerGo},
        LoopCase{.text = "pr 5 go\n", .output = kNoPrintName, .result = kFixerGo},  // no skip after a failure
        LoopCase{.text = "GO\nStatic\n", .output = kBadCode + kBadCode},
        LoopCase{.text = "addprint n\n", .output = "\naddprint is 0\n"},
        LoopCase{.text = "addprint no\n", .output = "\naddprint is 1\n", .addPrint = true},
        LoopCase{.text = "addprint n\naddprint yes\n", .output = "\naddprint is 0\n\naddprint is 1\n", .addPrint = true},
        LoopCase{.text = "addprint 0\n", .echo = true, .output = "addprint 0\n" + kAddprintFormat, .addPrint = true},
        LoopCase{.text = "maxiter 50\n", .maxIterations = 50},
        LoopCase{.text = "maxi 1.5E3\n", .maxIterations = 1},
        LoopCase{.text = "maxiter x 7\n"},  // x is consumed, 7 passed over
        LoopCase{.text = "maxiter 0\n", .output = kMaxiterRefused},
        LoopCase{.text = "maxiter .5\n", .output = kMaxiterRefused},
        LoopCase{.text = "maxiter 99999999999999\n", .maxIterations = INT32_MAX},
        LoopCase{.text = "pause\nstatic\n", .typed = "\x1b", .result = kFixerEscape},
        LoopCase{.text = "pa\nstatic\n", .typed = "x", .staticSimulation = true}));

class KeywordTest : public FixerTest, public ::testing::WithParamInterface<std::pair<const char*, std::string>> {};

// Each word is followed by a line end; a command shows itself by the message it
// gives for its missing operand.
TEST_P(KeywordTest, MatchesWholeOrFirstN) {
    EXPECT_EQ(run(std::string(GetParam().first) + "\n", "\x1b"), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Words, KeywordTest,
    ::testing::Values(
        std::pair{"add", "\n no name in ad card "}, std::pair{"ad", kBadCode}, std::pair{"adds", kBadCode},
        std::pair{"cta", kNoFixName}, std::pair{"ctax", kBadCode}, std::pair{"mul", kNoFixName},
        std::pair{"ovr", kNoFixName}, std::pair{"rho", kNoFixName}, std::pair{"skip", kNoFixName},
        std::pair{"skipping", kBadCode}, std::pair{"addp", kAddprintFormat},
        std::pair{"addpxyz", kAddprintFormat}, std::pair{"addprint", kAddprintFormat},
        std::pair{"up", kNoUpdateName}, std::pair{"upwards", kNoUpdateName}, std::pair{"u", kBadCode},
        std::pair{"mat", ""}, std::pair{"ma", kBadCode}, std::pair{"max", kBadCode}, std::pair{"maxi", ""},
        std::pair{"debug", ""}, std::pair{"debugs", kBadCode}, std::pair{"help", "\nCannot open rhelp.hlp\n"},
        std::pair{"helps", kBadCode}, std::pair{"pa", ""}, std::pair{"p", kBadCode},
        std::pair{"pr", kNoPrintName}, std::pair{"printing", kNoPrintName}, std::pair{"ty", kNoPrintName},
        std::pair{"t", kBadCode}, std::pair{"stat", kBadCode}, std::pair{"statics", kBadCode},
        std::pair{"gone", kBadCode}));

using CommandLoopTest = FixerTest;

TEST_F(CommandLoopTest, EveryWordBeginningWithQEndsTheProcessWith13) {
    for (const char* word : {"quit", "q", "quietly", "qx"}) {
        ConsoleCapture capture;
        EXPECT_EQ(exitCodeOf([&] { runCommands(std::string(word) + "\nstatic\n"); }), 13) << word;
        EXPECT_EQ(capture.output(), "") << word;
        EXPECT_FALSE(model.staticSimulation);
    }
}

TEST_F(CommandLoopTest, ArithmeticFaultIsReportedAtTopOfLoop) {
    ConsoleCapture capture("k");
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_DIVBYZERO);
    runCommands("debug\n");
    EXPECT_EQ(capture.output(), "Arithmetic warning Top of fixer loop.\n");
    EXPECT_EQ(capture.remainingInput(), "");
}

TEST_F(CommandLoopTest, ConsolePromptsBeforeEveryStatementAndEndsAtAnEmptyLine) {
    struct Case {
        std::string typed;
        int result;
        std::string output, remaining;
        bool staticSimulation;
    } cases[] = {
        {"static\ngo\nstatic\n", kFixerGo, "\n]\n]\n]", "static\n", true},
        {"\nstatic\n", kFixerEndOfInput, "\n]\n]", "static\n", false},
        {"pause\n\x1bstatic\n", kFixerEndOfInput, "\n]\n]\n]\n]", "", true},  // escape at the console does nothing
    };
    for (const Case& c : cases) {
        ConsoleCapture capture(c.typed);
        model.staticSimulation = false;
        EXPECT_EQ(runConsole("debug"), c.result) << c.typed;
        EXPECT_EQ(capture.output(), c.output) << c.typed;
        EXPECT_EQ(capture.remainingInput(), c.remaining) << c.typed;
        EXPECT_EQ(model.staticSimulation, c.staticSimulation) << c.typed;
    }
}

TEST_F(CommandLoopTest, TitleTakesTheRestOfTheLine) {
    auto padded = [](std::string title) {
        title.resize(80, '\0');
        return title;
    };
    struct Case {
        std::string text, title;
        int result;
    } cases[] = {
        {"title My bank, 2001 # not a comment\nstatic\n", padded("My bank, 2001 # not a comment"), kFixerEndOfInput},
        {"titanic sinks\n", padded("sinks"), kFixerEndOfInput},  // the first two letters are enough
        {"ti old style\r\n", padded("old style\r"), kFixerEndOfInput},
        {"title " + std::string(100, 'x') + "\n", padded(std::string(79, 'x')), kFixerEndOfInput},
        {"title\ngo\n", padded(""), kFixerGo},
    };
    for (const Case& c : cases) {
        BankLayout layout;
        layout.title = std::string(80, 'o');
        makeBank(layout, 0, 1995, 1996);
        EXPECT_EQ(run(c.text), "") << c.text;
        EXPECT_EQ(bank().title(), c.title) << c.text;
        EXPECT_EQ(result, c.result) << c.text;
    }
    EXPECT_TRUE(model.staticSimulation);  // the line after the first title was read normally
}

}  // namespace
