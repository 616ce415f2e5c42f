// The command loop: keyword matching, results, the console prompt and the
// simple commands.
#include <cfenv>
#include <climits>
#include <string>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "fixer/reader.h"
#include "state/model_state.h"

namespace {

class CommandLoopTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        model.addPrint = 0;
        model.maxIterations = 200;
        model.staticSimulation = 'n';
    }
};

TEST_F(CommandLoopTest, GoAndRunEndTheLoop) {
    EXPECT_EQ(run("go\nstatic\n"), "");
    EXPECT_EQ(result, kFixerGo);
    EXPECT_EQ(model.staticSimulation, 'n');  // lines after go are never read
    run("run\n");
    EXPECT_EQ(result, kFixerGo);
}

TEST_F(CommandLoopTest, EndOfInputGives101) {
    EXPECT_EQ(run("static\n"), "");
    EXPECT_EQ(result, kFixerEndOfInput);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(CommandLoopTest, NumbersCommentsAndBlankLinesDoNothing) {
    EXPECT_EQ(run("1 2 3\n\n# note\n   \n4.5E3 - , ;\n"), "");
    EXPECT_EQ(result, kFixerEndOfInput);
}

TEST_F(CommandLoopTest, UnknownWordIsBadCodeAndSkipsItsStatement) {
    EXPECT_EQ(run("bogus a +\ngo\nstatic\n"), "\n bad code ");
    EXPECT_EQ(model.staticSimulation, 'y');  // "go" was part of the bad statement
    EXPECT_EQ(result, kFixerEndOfInput);
}

TEST_F(CommandLoopTest, ColonIsBadCode) {
    EXPECT_EQ(run(": static\ngo\n"), "\n bad code ");
    EXPECT_EQ(model.staticSimulation, 'n');
    EXPECT_EQ(result, kFixerGo);
}

TEST_F(CommandLoopTest, QuotedStatementIsIgnoredAndTheRestOfTheLineIsRead) {
    EXPECT_EQ(run("\"a note\" go\n"), "");
    EXPECT_EQ(result, kFixerGo);
}

TEST_F(CommandLoopTest, FailingCommandDoesNotSkipItsLine) {
    EXPECT_EQ(run("pr 5 go\n"), "\n no name in pr line \n ");
    EXPECT_EQ(result, kFixerGo);
}

TEST_F(CommandLoopTest, CommandsAreLowerCase) {
    EXPECT_EQ(run("GO\nStatic\n"), "\n bad code \n bad code ");
    EXPECT_EQ(result, kFixerEndOfInput);
}

struct WordCase {
    const char* word;
    const char* output;
};

class KeywordTest : public CommandLoopTest, public ::testing::WithParamInterface<WordCase> {};

// Each word is followed by a line end; a command shows itself by the message it
// gives for its missing operand.
TEST_P(KeywordTest, MatchesWholeOrFirstN) {
    EXPECT_EQ(run(std::string(GetParam().word) + "\n", "\x1b"), GetParam().output);
}

constexpr const char* kBadCode = "\n bad code ";
constexpr const char* kNoFixName = "Need name on fix command\n";
constexpr const char* kAddprintFormat = "\nFormat is \n addprint <y | n>\n";
constexpr const char* kNoPrintName = "\n no name in pr line \n ";
constexpr const char* kNoUpdateName = "\n no name on update command.";

INSTANTIATE_TEST_SUITE_P(
    Words, KeywordTest,
    ::testing::Values(WordCase{"add", "\n no name in ad card "}, WordCase{"ad", kBadCode},
                      WordCase{"adds", kBadCode}, WordCase{"cta", kNoFixName},
                      WordCase{"ctax", kBadCode}, WordCase{"mul", kNoFixName},
                      WordCase{"ovr", kNoFixName}, WordCase{"rho", kNoFixName},
                      WordCase{"skip", kNoFixName}, WordCase{"skipping", kBadCode},
                      WordCase{"addp", kAddprintFormat}, WordCase{"addpxyz", kAddprintFormat},
                      WordCase{"addprint", kAddprintFormat}, WordCase{"up", kNoUpdateName},
                      WordCase{"upwards", kNoUpdateName}, WordCase{"u", kBadCode},
                      WordCase{"mat", ""}, WordCase{"ma", kBadCode}, WordCase{"max", kBadCode},
                      WordCase{"maxi", ""}, WordCase{"debug", ""}, WordCase{"debugs", kBadCode},
                      WordCase{"help", "\nCannot open rhelp.hlp\n"}, WordCase{"helps", kBadCode},
                      WordCase{"pa", ""}, WordCase{"p", kBadCode}, WordCase{"pr", kNoPrintName},
                      WordCase{"printing", kNoPrintName}, WordCase{"ty", kNoPrintName},
                      WordCase{"t", kBadCode}, WordCase{"stat", kBadCode},
                      WordCase{"statics", kBadCode}, WordCase{"gone", kBadCode}));

TEST_F(CommandLoopTest, StaticWholeWord) {
    run("static\n");
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(CommandLoopTest, EveryWordBeginningWithQEndsTheProcessWith13) {
    for (const char* word : {"quit", "q", "quietly", "qx"}) {
        ConsoleCapture capture;
        EXPECT_EQ(exitCodeOf([&] { runCommands(std::string(word) + "\nstatic\n"); }), 13) << word;
        EXPECT_EQ(capture.output(), "") << word;
        EXPECT_EQ(model.staticSimulation, 'n');
    }
}

TEST_F(CommandLoopTest, AddprintNOnlyTurnsEchoOff) {
    EXPECT_EQ(run("addprint n\n"), "\naddprint is 0\n");
    EXPECT_EQ(model.addPrint, 0);
    EXPECT_EQ(run("addprint no\n"), "\naddprint is 1\n");
    EXPECT_EQ(model.addPrint, 1);
    run("addprint n\naddprint yes\n");
    EXPECT_EQ(model.addPrint, 1);
}

TEST_F(CommandLoopTest, AddprintWithoutNameKeepsTheSetting) {
    model.addPrint = 1;
    EXPECT_EQ(run("addprint 0\n"), std::string("addprint 0\n") + kAddprintFormat);
    EXPECT_EQ(model.addPrint, 1);
}

TEST_F(CommandLoopTest, MaxiterTakesLeadingDigits) {
    run("maxiter 50\n");
    EXPECT_EQ(model.maxIterations, 50);
    run("maxi 1.5E3\n");
    EXPECT_EQ(model.maxIterations, 1);
    EXPECT_EQ(run("maxiter x 7\n"), "");  // x is consumed, 7 passed over
    EXPECT_EQ(model.maxIterations, 1);
}

TEST_F(CommandLoopTest, MaxiterBelowOneIsRefused) {
    EXPECT_EQ(run("maxiter 0\n"), "\nmaxiter must be 1 or more; it stays at 200.\n");
    EXPECT_EQ(model.maxIterations, 200);
    EXPECT_EQ(run("maxiter .5\n"), "\nmaxiter must be 1 or more; it stays at 200.\n");
    EXPECT_EQ(model.maxIterations, 200);
}

TEST_F(CommandLoopTest, MaxiterBeyond32BitsStaysAtTheLargest) {
    run("maxiter 99999999999999\n");
    EXPECT_EQ(model.maxIterations, INT32_MAX);
}

TEST_F(CommandLoopTest, PauseWithEscapeEndsACommandFile) {
    ConsoleCapture capture("\x1b");
    EXPECT_EQ(runCommands("pause\nstatic\n"), kFixerEscape);
    EXPECT_EQ(model.staticSimulation, 'n');
}

TEST_F(CommandLoopTest, PauseWithOtherKeyGoesOn) {
    ConsoleCapture capture("x");
    EXPECT_EQ(runCommands("pa\nstatic\n"), kFixerEndOfInput);
    EXPECT_EQ(model.staticSimulation, 'y');
    EXPECT_EQ(capture.remainingInput(), "");
}

TEST_F(CommandLoopTest, PauseWithEscapeAtTheConsoleDoesNothing) {
    ConsoleCapture capture("pause\n\x1bstatic\n");
    EXPECT_EQ(runConsole("debug"), kFixerEndOfInput);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(CommandLoopTest, ArithmeticFaultIsReportedAtTopOfLoop) {
    ConsoleCapture capture("k");
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_DIVBYZERO);
    runCommands("debug\n");
    EXPECT_EQ(capture.output(), "Arithmetic warning Top of fixer loop.\n");
    EXPECT_EQ(capture.remainingInput(), "");
}

TEST_F(CommandLoopTest, ConsolePromptBeforeEveryStatement) {
    ConsoleCapture capture("static\ngo\nstatic\n");
    EXPECT_EQ(runConsole("debug"), kFixerGo);
    EXPECT_EQ(capture.output(), "\n]\n]\n]");
    EXPECT_EQ(capture.remainingInput(), "static\n");
}

TEST_F(CommandLoopTest, EmptyConsoleLineEndsTheFixer) {
    ConsoleCapture capture("\nstatic\n");
    EXPECT_EQ(runConsole("debug"), kFixerEndOfInput);
    EXPECT_EQ(model.staticSimulation, 'n');
    EXPECT_EQ(capture.remainingInput(), "static\n");
}

class TitleTest : public CommandLoopTest {
protected:
    void SetUp() override {
        CommandLoopTest::SetUp();
        BankLayout layout;
        layout.title = std::string(80, 'o');
        makeBank(layout, 0, 1995, 1996);
        model.addPrint = 0;
    }
};

TEST_F(TitleTest, RestOfTheLineBecomesTheTitle) {
    EXPECT_EQ(run("title My bank, 2001 # not a comment\nstatic\n"), "");
    std::string expected = "My bank, 2001 # not a comment";
    expected.resize(80, '\0');
    EXPECT_EQ(bankTitle(), expected);
    EXPECT_EQ(model.staticSimulation, 'y');  // the next line is read normally
}

TEST_F(TitleTest, FirstTwoLettersAreEnough) {
    run("titanic sinks\n");
    EXPECT_EQ(bankTitle().substr(0, 6), std::string("sinks\0", 6));
}

TEST_F(TitleTest, CarriageReturnBeforeLineFeedIsPartOfIt) {
    run("ti old style\r\n");
    EXPECT_EQ(bankTitle().substr(0, 11), std::string("old style\r\0", 11));
}

TEST_F(TitleTest, TitleKeepsAtMost79Characters) {
    run("title " + std::string(100, 'x') + "\n");
    EXPECT_EQ(bankTitle(), std::string(79, 'x') + '\0');
}

TEST_F(TitleTest, TitleAloneClearsTheField) {
    run("title\ngo\n");
    EXPECT_EQ(bankTitle(), std::string(80, '\0'));
    EXPECT_EQ(result, kFixerGo);
}

}  // namespace
