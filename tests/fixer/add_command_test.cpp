// The add command: nested command files, their arguments and results.
#include <string>

#include "fixer/add_command.h"
#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

class AddCommandTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        model.addPrint = 1;
        model.staticSimulation = 'n';
    }
};

TEST_F(AddCommandTest, StartUpArgumentsAreNumberedFromOne) {
    writeFile("model.fix", "# %1 %2 %3\n");
    ConsoleCapture capture("go\n");
    EXPECT_EQ(runConsole("add model.fix 100 1 0"), kFixerGo);
    EXPECT_EQ(capture.output(), "\n]# 100 1 0\n\n]");
}

TEST_F(AddCommandTest, OptimiserWordsAreArgumentsToo) {
    writeFile("model.fix", "# %1 %2\n");
    ConsoleCapture capture("go\n");
    runConsole("add model.fix m spec.dat");
    EXPECT_EQ(capture.output(), "\n]# m spec.dat\n\n]");
}

TEST_F(AddCommandTest, FileWithoutGoReturnsToThePrompt) {
    writeFile("model.fix", "static\n");
    ConsoleCapture capture("go\n");
    EXPECT_EQ(runConsole("add model.fix"), kFixerGo);
    EXPECT_EQ(model.staticSimulation, 'y');
    EXPECT_EQ(model.consoleInput, 'y');
    EXPECT_EQ(model.addArguments, nullptr);
    EXPECT_EQ(capture.remainingInput(), "");
}

TEST_F(AddCommandTest, GoInAFileEndsEveryEnclosingLoop) {
    writeFile("model.fix", "add inner.fix\nstatic\n");
    writeFile("inner.fix", "go\nstatic\n");
    ConsoleCapture capture("static\n");
    EXPECT_EQ(runConsole("add model.fix"), kFixerGo);
    EXPECT_EQ(model.staticSimulation, 'n');
    EXPECT_EQ(capture.output(), "\n]add inner.fix\ngo\n");
    EXPECT_EQ(capture.remainingInput(), "static\n");
}

TEST_F(AddCommandTest, NestedFileEndReturns101AndTheOuterFileGoesOn) {
    writeFile("inner.fix", "debug\n");
    ConsoleCapture capture;
    FILE* outer = readFrom("add inner.fix\nstatic\n");
    EXPECT_EQ(fixerLoop(outer), kFixerEndOfInput);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(AddCommandTest, AddReturnsTheNestedResult) {
    ConsoleCapture capture("\x1b");
    writeFile("ends.fix", "debug\n");
    writeFile("goes.fix", "go\n");
    writeFile("pauses.fix", "pause\nstatic\n");
    EXPECT_EQ(addCommand(readFrom("ends.fix\n")), kFixerEndOfInput);
    EXPECT_EQ(addCommand(readFrom("goes.fix\n")), kFixerGo);
    EXPECT_EQ(addCommand(readFrom("pauses.fix\n")), kFixerEscape);
    EXPECT_EQ(model.staticSimulation, 'n');
    EXPECT_EQ(addCommand(readFrom("missing.fix\n")), -1);
}

TEST_F(AddCommandTest, EscapeAtAPauseEndsOnlyTheNestedFile) {
    writeFile("inner.fix", "pause\naddprint n\n");
    ConsoleCapture capture("\x1b");
    FILE* outer = readFrom("add inner.fix\nstatic\n");
    EXPECT_EQ(fixerLoop(outer), kFixerEndOfInput);
    EXPECT_EQ(model.addPrint, 1);
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(AddCommandTest, MissingFileIsReportedAndItsArgumentsReadAsAStatement) {
    ConsoleCapture capture;
    model.addPrint = 0;
    EXPECT_EQ(runCommands("add nofile.fix 100 static\n"), kFixerEndOfInput);
    EXPECT_EQ(capture.output(), "\n cannot open nofile.fix ");
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(AddCommandTest, MissingFixFileLeavesTheUserAtThePrompt) {
    ConsoleCapture capture("go\n");
    EXPECT_EQ(runConsole("add model.fix"), kFixerGo);
    EXPECT_EQ(capture.output(), "\n]\n cannot open model.fix \n]");
}

TEST_F(AddCommandTest, NameBeginningWithDigitIsNoName) {
    writeFile("1.fix", "static\n");
    ConsoleCapture capture;
    model.addPrint = 0;
    runCommands("add 1.fix\n");
    // "1." is a number; "fix" after it is then read as a command word.
    EXPECT_EQ(capture.output(), "\n no name in ad card \n bad code ");
    EXPECT_EQ(model.staticSimulation, 'n');
}

TEST_F(AddCommandTest, NestedFileWithoutArgumentsReadsPercentAsPunctuation) {
    writeFile("outer.fix", "add inner.fix\n# after %1\n");
    writeFile("inner.fix", "# inner %1\n");
    ConsoleCapture capture;
    runCommands("add outer.fix 100\n");
    EXPECT_EQ(capture.output(), "add outer.fix 100\nadd inner.fix\n# inner %1\n# after 100\n");
}

TEST_F(AddCommandTest, InnerArgumentsHoldOnlyInTheInnerFile) {
    writeFile("outer.fix", "add inner.fix b\n# outer %1\n");
    writeFile("inner.fix", "# inner %1\n");
    ConsoleCapture capture;
    model.addPrint = 1;
    runCommands("add outer.fix a\n");
    EXPECT_EQ(capture.output(), "add outer.fix a\nadd inner.fix b\n# inner b\n# outer a\n");
}

TEST_F(AddCommandTest, AnyTokenIsAnArgumentAndQuotesAreDropped) {
    writeFile("f.fix", "# %1|%2|%3|%4\n");
    ConsoleCapture capture;
    model.addPrint = 0;
    runCommands("add f.fix \"two words\" - 1.5E3 x.y\naddprint y\n");
    std::string output = capture.output();
    EXPECT_EQ(output, "\naddprint is 1\n");
    model.addPrint = 1;
    ConsoleCapture again;
    runCommands("add f.fix \"two words\" - 1.5E3 x.y\n");
    EXPECT_EQ(again.output(), "add f.fix \"two words\" - 1.5E3 x.y\n# two words|-|1.5E3|x.y\n");
}

TEST_F(AddCommandTest, TenArgumentsThenOneDroppedAndTheRestReadFirst) {
    writeFile("f.fix", "# %9\n");
    ConsoleCapture capture;
    model.addPrint = 0;
    runCommands("add f.fix a1 a2 a3 a4 a5 a6 a7 a8 a9 a10 dropped static\n");
    EXPECT_EQ(model.staticSimulation, 'y');
    model.addPrint = 1;
    ConsoleCapture again;
    runCommands("add f.fix a1 a2 a3 a4 a5 a6 a7 a8 a9 a10 dropped\n");
    EXPECT_EQ(again.output(), "add f.fix a1 a2 a3 a4 a5 a6 a7 a8 a9 a10 dropped\n# a9\n");
}

TEST_F(AddCommandTest, FileThatAddsItselfIsStoppedAt64Levels) {
    writeFile("self.fix", "add self.fix\n");
    ConsoleCapture capture;
    model.addPrint = 0;
    EXPECT_EQ(runCommands("add self.fix\nstatic\n"), kFixerEndOfInput);
    EXPECT_EQ(capture.output(), "\n add files nested more than 64 deep; self.fix not run \n");
    EXPECT_EQ(model.staticSimulation, 'y');
    EXPECT_EQ(model.consoleInput, 'n');
}

TEST_F(AddCommandTest, NestingCountIsRestoredWhenQuitUnwinds) {
    writeFile("quits.fix", "quit\n");
    ConsoleCapture capture;
    EXPECT_EQ(exitCodeOf([&] { runCommands("add quits.fix\n"); }), 13);
    writeFile("self.fix", "add self.fix\n");
    model.addPrint = 0;
    ConsoleCapture again;
    runCommands("add self.fix\n");
    EXPECT_EQ(again.output(), "\n add files nested more than 64 deep; self.fix not run \n");
}

}  // namespace
