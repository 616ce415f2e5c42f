// The add command: nested command files, their arguments and results.
#include <ostream>
#include <string>

#include "fixer/add_command.h"
#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "state/model_state.h"

namespace {

const std::string kTooDeep = "\n add files nested more than 64 deep; d65.fix not run \n";
const std::string kAddsItself = "\n self.fix is already being read; not run again \n";
const std::string kTenArguments = "add f.fix a1 a2 a3 a4 a5 a6 a7 a8 a9 a10 dropped";
const std::string kAnyTokens = "add f.fix \"two words\" - 1.5E3 x.y";

// The start-up line "add ..." at the console, with the operator typing `typed`.
struct StartUpCase {
    Files files;
    std::string firstLine, typed;
    int result;
    std::string output, remaining = "";
    bool staticSimulation = false;
};
void PrintTo(const StartUpCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.firstLine); }

class StartUpTest : public FixerTest, public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, RunsTheFixFileThenThePrompt) {
    const StartUpCase& c = GetParam();
    writeFiles(c.files);
    model.addPrint = true;
    ConsoleCapture capture(c.typed);
    EXPECT_EQ(runConsole(c.firstLine), c.result);
    EXPECT_EQ(capture.output(), c.output);
    EXPECT_EQ(capture.remainingInput(), c.remaining);
    EXPECT_EQ(model.staticSimulation, c.staticSimulation);
    EXPECT_TRUE(model.consoleInput);
    EXPECT_EQ(model.addArguments, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Add, StartUpTest,
    ::testing::Values(
        // Arguments are numbered from one; the optimiser's words are arguments too.
        StartUpCase{{{"model.fix", "# %1 %2 %3\n"}}, "add model.fix 100 1 0", "go\n", kFixerGo, "\n]# 100 1 0\n\n]"},
        StartUpCase{{{"model.fix", "# %1 %2\n"}}, "add model.fix m spec.dat", "go\n", kFixerGo, "\n]# m spec.dat\n\n]"},
        // A file without go returns to the prompt.
        StartUpCase{{{"model.fix", "static\n"}}, "add model.fix", "go\n", kFixerGo, "\n]static\n\n]", "", true},
        // go in a nested file ends every enclosing loop.
        StartUpCase{{{"model.fix", "add inner.fix\nstatic\n"}, {"inner.fix", "go\nstatic\n"}}, "add model.fix",
                    "static\n", kFixerGo, "\n]add inner.fix\ngo\n", "static\n"},
        StartUpCase{{}, "add model.fix", "go\n", kFixerGo, "\n]\n cannot open model.fix \n]"}));

// add in a command file; every case ends at the end of the outer file.
struct NestedCase {
    Files files = {};
    std::string text;
    bool echo = true;
    std::string typed = "";
    std::string output = "";
    bool staticSimulation = false;
    bool addPrint = echo;
};
void PrintTo(const NestedCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text); }

class NestedTest : public FixerTest, public ::testing::WithParamInterface<NestedCase> {};

TEST_P(NestedTest, OuterFileGoesOnAfterTheNestedOne) {
    const NestedCase& c = GetParam();
    writeFiles(c.files);
    model.addPrint = c.echo;
    EXPECT_EQ(run(c.text, c.typed), c.output);
    EXPECT_EQ(result, kFixerEndOfInput);
    EXPECT_EQ(model.staticSimulation, c.staticSimulation);
    EXPECT_EQ(model.addPrint, c.addPrint);
    EXPECT_FALSE(model.consoleInput);
}

INSTANTIATE_TEST_SUITE_P(
    Add, NestedTest,
    ::testing::Values(
        NestedCase{.files = {{"inner.fix", "debug\n"}}, .text = "add inner.fix\nstatic\n",
                   .output = "add inner.fix\ndebug\nstatic\n", .staticSimulation = true},
        // Escape at a pause ends only the nested file.
        NestedCase{.files = {{"inner.fix", "pause\naddprint n\n"}}, .text = "add inner.fix\nstatic\n", .typed = "\x1b",
                   .output = "add inner.fix\npause\nstatic\n", .staticSimulation = true},
        // The arguments of a missing file are read as a statement.
        NestedCase{.text = "add nofile.fix 100 static\n", .echo = false, .output = "\n cannot open nofile.fix ",
                   .staticSimulation = true},
        // "1." is a number; "fix" after it is then read as a command word.
        NestedCase{.files = {{"1.fix", "static\n"}}, .text = "add 1.fix\n", .echo = false,
                   .output = "\n no name in ad card \n bad code "},
        // Arguments hold only in their own file; without them % is punctuation.
        NestedCase{.files = {{"outer.fix", "add inner.fix\n# after %1\n"}, {"inner.fix", "# inner %1\n"}},
                   .text = "add outer.fix 100\n", .output = "add outer.fix 100\nadd inner.fix\n# inner %1\n# after 100\n"},
        NestedCase{.files = {{"outer.fix", "add inner.fix b\n# outer %1\n"}, {"inner.fix", "# inner %1\n"}},
                   .text = "add outer.fix a\n", .output = "add outer.fix a\nadd inner.fix b\n# inner b\n# outer a\n"},
        // Any token is an argument and quotes are dropped.
        NestedCase{.files = {{"f.fix", "# %1|%2|%3|%4\n"}}, .text = kAnyTokens + "\naddprint y\n", .echo = false,
                   .output = "\naddprint is 1\n", .addPrint = true},
        NestedCase{.files = {{"f.fix", "# %1|%2|%3|%4\n"}}, .text = kAnyTokens + "\n",
                   .output = kAnyTokens + "\n# two words|-|1.5E3|x.y\n"},
        // Ten arguments, then one dropped, and the rest of the line is read first.
        NestedCase{.files = {{"f.fix", "# %9\n"}}, .text = kTenArguments + " static\n", .echo = false,
                   .staticSimulation = true},
        NestedCase{.files = {{"f.fix", "# %9\n"}}, .text = kTenArguments + "\n", .output = kTenArguments + "\n# a9\n"},
        NestedCase{.files = {{"self.fix", "add self.fix\n"}}, .text = "add self.fix\nstatic\n", .echo = false,
                   .output = kAddsItself, .staticSimulation = true}));

using AddCommandTest = FixerTest;

TEST_F(AddCommandTest, AddReturnsTheNestedResult) {
    ConsoleCapture capture("\x1b");
    writeFiles({{"ends.fix", "debug\n"}, {"goes.fix", "go\n"}, {"pauses.fix", "pause\nstatic\n"}});
    EXPECT_EQ(addCommand(readFrom("ends.fix\n")), kFixerEndOfInput);
    EXPECT_EQ(addCommand(readFrom("goes.fix\n")), kFixerGo);
    EXPECT_EQ(addCommand(readFrom("pauses.fix\n")), kFixerEscape);
    EXPECT_FALSE(model.staticSimulation);
    EXPECT_EQ(addCommand(readFrom("missing.fix\n")), -1);
}

TEST_F(AddCommandTest, NestingIsBoundedAndRecursionRefusedAfterQuitUnwinds) {
    Files chain{{"quits.fix", "quit\n"}, {"self.fix", "add self.fix\n"}, {"other.fix", "add indirect.fix\n"},
                {"indirect.fix", "add other.fix\n"}};
    for (int i = 1; i <= 64; ++i)
        chain.push_back({"d" + std::to_string(i) + ".fix", "add d" + std::to_string(i + 1) + ".fix\n"});
    writeFiles(chain);
    ConsoleCapture capture;
    EXPECT_EQ(exitCodeOf([&] { runCommands("add quits.fix\n"); }), 13);
    EXPECT_EQ(run("add self.fix\n"), kAddsItself);
    EXPECT_EQ(run("add other.fix\n"), "\n other.fix is already being read; not run again \n");
    EXPECT_EQ(run("add d1.fix\n"), kTooDeep);
}

}  // namespace
