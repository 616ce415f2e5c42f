// The help command: pages of 24 lines, the page prompt, the index and topics.
#include <sstream>
#include <ostream>
#include <string>
#include <vector>

#include "fixer/command_loop.h"
#include "fixer/fixer_fixture.h"
#include "fixer/help_command.h"
#include "state/model_state.h"

namespace {

const std::string kClear = "\x1b[2J\x1b[H\x1b[1;1H";
const std::string kPrompt =
    "\x1b[24;10H Tap ESC to get back to the ] prompt; tap any other key for more." + kClear;

std::string lines(int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

using HelpTest = FixerTest;

TEST_F(HelpTest, ShowHelpFilePagesOf24Lines) {
    std::string wide, widePage;  // long lines are pieces of 81: 24 pieces, then "end"
    for (int i = 0; i < 12; ++i) wide += std::string(100, 'w') + "\n";
    for (int i = 0; i < 12; ++i) widePage += std::string(81, 'w') + std::string(19, 'w') + "\n";
    struct Case {
        std::string text, typed;
        int result;
        std::string output, remaining;
    } cases[] = {
        {lines(1, 23), "", 0, kClear + lines(1, 23), ""},
        {lines(1, 24), " ", 0, kClear + lines(1, 24) + kPrompt, ""},
        {lines(1, 25), " ", 0, kClear + lines(1, 24) + kPrompt + lines(25, 25), ""},
        {lines(1, 30), "\x1bmore", 27, kClear + lines(1, 24) + kPrompt, "more"},
        {wide + "end\n", " ", 0, kClear + widePage + kPrompt + "end\n", ""},
    };
    for (const Case& c : cases) {
        writeFile("notes.txt", c.text);
        ConsoleCapture capture(c.typed);
        EXPECT_EQ(showHelpFile("notes.txt"), c.result) << c.text;
        EXPECT_EQ(capture.output(), c.output) << c.text;
        EXPECT_EQ(capture.remainingInput(), c.remaining) << c.text;
    }
    ConsoleCapture capture;
    EXPECT_EQ(showHelpFile("nothere.txt"), -1);
    EXPECT_EQ(capture.output(), "\nCannot open nothere.txt\n");
}

// The help command in a command file, with the keys typed at its prompts.
struct HelpCase {
    Files files;
    std::string command, typed, output, remaining;
};
void PrintTo(const HelpCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.command) << " typed " << ::testing::PrintToString(c.typed); }

class HelpCommandTest : public FixerTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpCommandTest, ReturnsToTheFixer) {
    const HelpCase& c = GetParam();
    writeFiles(c.files);
    EXPECT_EQ(run(c.command + "\nstatic\n", c.typed), c.output);
    EXPECT_EQ(remaining, c.remaining);
    EXPECT_EQ(result, kFixerEndOfInput);
    EXPECT_TRUE(model.staticSimulation);
}

const Files kIndex{{"rhelp.hlp", "index\n"}};

INSTANTIATE_TEST_SUITE_P(
    Help, HelpCommandTest,
    ::testing::Values(
        HelpCase{{{"notes.txt", "about notes\n"}}, "help notes.txt", "rest", kClear + "about notes\n", "rest"},
        HelpCase{{{"rhelp.hlp", "index\n"}, {"rhelp.3", "topic three\n"}}, "help", "3 \r",
                 kClear + "index\n" + kClear + "topic three\n" + kPrompt + kClear + "index\n", ""},
        // Escape, enter or the end of input as the topic ends help.
        HelpCase{kIndex, "help", "\x1bx", kClear + "index\n", "x"},
        HelpCase{kIndex, "help", "\rx", kClear + "index\n", "x"},
        HelpCase{kIndex, "help", "\nx", kClear + "index\n", "x"},
        HelpCase{kIndex, "help", "", kClear + "index\n", ""},
        HelpCase{{{"rhelp.a", "topic a\n"}}, "help", "a\x1b",
                 "\nCannot open rhelp.hlp\n" + kClear + "topic a\n" + kPrompt, ""},
        HelpCase{kIndex, "help", "z\x1b", kClear + "index\n" + "\nCannot open rhelp.z\n" + kPrompt, ""},
        // Escape inside a topic ends help; inside the index it ends only the index.
        HelpCase{{{"rhelp.hlp", "index\n"}, {"rhelp.1", lines(1, 30)}}, "help", "1\x1bleft",
                 kClear + "index\n" + kClear + lines(1, 24) + kPrompt, "left"},
        HelpCase{{{"rhelp.hlp", lines(1, 30)}}, "help", "\x1b\x1b", kClear + lines(1, 24) + kPrompt, ""}));

// The help pages shipped with the example working directory: every topic the
// index offers has its file, every line fits the screen in one piece, and the
// 24th line of every page, where the page prompt stands, is empty.
TEST(ShippedHelpTest, IndexTopicsExistAndLinesFitTheScreen) {
    std::string dir = std::string(EXAMPLE_DIR) + "/";
    std::string index = readFile(dir + "rhelp.hlp");
    ASSERT_FALSE(index.empty());
    std::vector<std::string> files{"rhelp.hlp"};
    std::istringstream indexLines(index);
    for (std::string line; std::getline(indexLines, line);) {
        // Topic lines read "     c   description".
        if (line.find_first_not_of(' ') == 5 && line.size() > 9 && line.compare(6, 3, "   ") == 0) {
            files.push_back(std::string("rhelp.") + line[5]);
        }
    }
    ASSERT_GE(files.size(), 6u);
    for (const std::string& name : files) {
        std::string text = readFile(dir + name);
        ASSERT_FALSE(text.empty()) << name;
        EXPECT_EQ(text.back(), '\n') << name << " must end with a line feed";
        std::istringstream textLines(text);
        int number = 0;
        for (std::string line; std::getline(textLines, line);) {
            EXPECT_LE(line.size(), 79u) << name;
            if (++number % 24 == 0) {
                EXPECT_EQ(line, "") << name << " line " << number;
            }
        }
    }
}

}  // namespace
