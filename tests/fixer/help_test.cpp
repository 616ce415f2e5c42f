// The help command: pages of 24 lines, the page prompt, the index and topics.
#include <string>
#include <vector>

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

class HelpTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        model.addPrint = 0;
    }
};

TEST_F(HelpTest, TwentyThreeLinesShowNoPrompt) {
    writeFile("notes.txt", lines(1, 23));
    ConsoleCapture capture;
    EXPECT_EQ(showHelpFile("notes.txt"), 0);
    EXPECT_EQ(capture.output(), kClear + lines(1, 23));
}

TEST_F(HelpTest, TwentyFourLinesShowOnePromptAtTheEnd) {
    writeFile("notes.txt", lines(1, 24));
    ConsoleCapture capture(" ");
    EXPECT_EQ(showHelpFile("notes.txt"), 0);
    EXPECT_EQ(capture.output(), kClear + lines(1, 24) + kPrompt);
    EXPECT_EQ(capture.remainingInput(), "");
}

TEST_F(HelpTest, TwentyFiveLinesGoOnAfterThePrompt) {
    writeFile("notes.txt", lines(1, 25));
    ConsoleCapture capture(" ");
    EXPECT_EQ(showHelpFile("notes.txt"), 0);
    EXPECT_EQ(capture.output(), kClear + lines(1, 24) + kPrompt + lines(25, 25));
}

TEST_F(HelpTest, EscapeAtThePromptEndsTheFile) {
    writeFile("notes.txt", lines(1, 30));
    ConsoleCapture capture("\x1bmore");
    EXPECT_EQ(showHelpFile("notes.txt"), 27);
    EXPECT_EQ(capture.output(), kClear + lines(1, 24) + kPrompt);
    EXPECT_EQ(capture.remainingInput(), "more");
}

TEST_F(HelpTest, LongLinesArePiecesOf81) {
    std::string longLine = std::string(100, 'w') + "\n";
    std::string text;
    for (int i = 0; i < 12; ++i) text += longLine;  // 24 pieces
    writeFile("wide.txt", text + "end\n");
    ConsoleCapture capture(" ");
    showHelpFile("wide.txt");
    std::string page;
    for (int i = 0; i < 12; ++i) page += std::string(81, 'w') + std::string(19, 'w') + "\n";
    EXPECT_EQ(capture.output(), kClear + page + kPrompt + "end\n");
}

TEST_F(HelpTest, MissingFile) {
    ConsoleCapture capture;
    EXPECT_EQ(showHelpFile("nothere.txt"), -1);
    EXPECT_EQ(capture.output(), "\nCannot open nothere.txt\n");
}

TEST_F(HelpTest, NamedFileOnlyThenBackToTheFixer) {
    writeFile("notes.txt", "about notes\n");
    ConsoleCapture capture("rest");
    EXPECT_EQ(runCommands("help notes.txt\n"), 101);
    EXPECT_EQ(capture.output(), kClear + "about notes\n");
    EXPECT_EQ(capture.remainingInput(), "rest");
}

TEST_F(HelpTest, IndexThenTopicThenIndexAgain) {
    writeFile("rhelp.hlp", "index\n");
    writeFile("rhelp.3", "topic three\n");
    ConsoleCapture capture("3 \r");
    EXPECT_EQ(runCommands("help\nstatic\n"), 101);
    EXPECT_EQ(capture.output(), kClear + "index\n" + kClear + "topic three\n" + kPrompt + kClear + "index\n");
    EXPECT_EQ(model.staticSimulation, 'y');
}

TEST_F(HelpTest, EscapeOrEnterAsTopicEndsHelp) {
    writeFile("rhelp.hlp", "index\n");
    for (const char* key : {"\x1b", "\r", "\n"}) {
        ConsoleCapture capture(std::string(key) + "x");
        runCommands("help\n");
        EXPECT_EQ(capture.output(), kClear + "index\n");
        EXPECT_EQ(capture.remainingInput(), "x");
    }
}

TEST_F(HelpTest, EndOfInputAsTopicEndsHelp) {
    writeFile("rhelp.hlp", "index\n");
    ConsoleCapture capture("");
    EXPECT_EQ(runCommands("help\n"), 101);
    EXPECT_EQ(capture.output(), kClear + "index\n");
}

TEST_F(HelpTest, MissingIndexStillWaitsForATopic) {
    writeFile("rhelp.a", "topic a\n");
    ConsoleCapture capture("a\x1b");
    runCommands("help\n");
    EXPECT_EQ(capture.output(),
              "\nCannot open rhelp.hlp\n" + kClear + "topic a\n" + kPrompt);
}

TEST_F(HelpTest, MissingTopicIsFollowedByThePrompt) {
    writeFile("rhelp.hlp", "index\n");
    ConsoleCapture capture("z\x1b");
    runCommands("help\n");
    EXPECT_EQ(capture.output(), kClear + "index\n" + "\nCannot open rhelp.z\n" + kPrompt);
}

TEST_F(HelpTest, EscapeInsideATopicEndsHelp) {
    writeFile("rhelp.hlp", "index\n");
    writeFile("rhelp.1", lines(1, 30));
    ConsoleCapture capture("1\x1bleft");
    runCommands("help\n");
    EXPECT_EQ(capture.output(), kClear + "index\n" + kClear + lines(1, 24) + kPrompt);
    EXPECT_EQ(capture.remainingInput(), "left");
}

TEST_F(HelpTest, EscapeInsideTheIndexOnlyEndsTheIndex) {
    writeFile("rhelp.hlp", lines(1, 30));
    ConsoleCapture capture("\x1b\x1b");
    runCommands("help\n");
    EXPECT_EQ(capture.output(), kClear + lines(1, 24) + kPrompt);
    EXPECT_EQ(capture.remainingInput(), "");
}

}  // namespace

namespace {

// The help pages shipped with the example working directory: every topic the
// index offers has its file, and every line fits the screen in one piece.
TEST(ShippedHelpTest, IndexTopicsExistAndLinesFitTheScreen) {
    std::string dir = std::string(EXAMPLE_DIR) + "/";
    std::string index = readFile(dir + "rhelp.hlp");
    ASSERT_FALSE(index.empty());
    std::vector<std::string> files{"rhelp.hlp"};
    size_t start = 0;
    while (start < index.size()) {
        size_t end = index.find('\n', start);
        std::string line = index.substr(start, end - start);
        start = end == std::string::npos ? index.size() : end + 1;
        // Topic lines read "     c   description".
        size_t first = line.find_first_not_of(' ');
        if (first == 5 && line.size() > 9 && line.compare(6, 3, "   ") == 0) {
            files.push_back(std::string("rhelp.") + line[first]);
        }
    }
    ASSERT_GE(files.size(), 6u);
    for (const std::string& name : files) {
        std::string text = readFile(dir + name);
        EXPECT_FALSE(text.empty()) << name;
        size_t lineStart = 0;
        while (lineStart < text.size()) {
            size_t end = text.find('\n', lineStart);
            ASSERT_NE(end, std::string::npos) << name << " must end with a line feed";
            EXPECT_LE(end - lineStart, 79u) << name;
            lineStart = end + 1;
        }
    }
}

}  // namespace
