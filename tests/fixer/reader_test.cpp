// The reader: line assembly from command files and the console, carriage
// returns, zero bytes, % arguments, echo and pushed-back characters.
#include <string>
#include <vector>

#include "fixer/fixer_fixture.h"
#include "fixer/reader.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

class ReaderTest : public FixerTest {
protected:
    std::string charsOf(FILE* input, int count) {
        std::string got;
        for (int i = 0; i < count; ++i) {
            int c = nextChar(input);
            got += c == -1 ? std::string("<EOF>") : std::string(1, static_cast<char>(c));
        }
        return got;
    }
    std::vector<std::string> arguments{"x1", "2"};
};

TEST_F(ReaderTest, CharactersOfACommandFile) {
    model.addArguments = &arguments;
    struct Case {
        std::string text;
        int count;
        std::string expected;
    } cases[] = {
        {"a\r\nb\n", 5, "a\nb\n<EOF>"},  // a carriage return is never delivered
        {"a\nb\n", 5, "a\nb\n<EOF>"},
        {std::string("a\0b\n", 4), 3, "ab\n"},  // zero bytes are dropped
        {"a%\nb\n", 5, "a%\nb\n"},  // % before a line feed does not merge lines
    };
    for (const Case& c : cases) EXPECT_EQ(charsOf(readFrom(c.text), c.count), c.expected) << c.text;
}

TEST_F(ReaderTest, ALineLongerThanTheBufferEndsTheFile) {
    const std::string refused = "\nA line longer than 239 characters: the rest of this file is not read.\n";
    const std::vector<std::string> longArgument{std::string(30, 'y')};
    struct Case {
        std::string text;
        const std::vector<std::string>* arguments;
        int count;
        std::string expected, output;
    } cases[] = {
        {std::string(239, 'x') + "\nb", nullptr, 243, std::string(239, 'x') + "\nb\n<EOF>", ""},
        {"a\n" + std::string(240, 'x') + "\nb\n", nullptr, 4, "a\n<EOF><EOF>", refused},
        {std::string(5000, '\0'), nullptr, 2, "<EOF><EOF>", refused},  // zero bytes count: a device of zeros ends
        {std::string(230, 'x') + "%1\n", &longArgument, 1, "<EOF>", refused},
    };
    for (const Case& c : cases) {
        ConsoleCapture capture;
        model.addArguments = c.arguments;
        EXPECT_EQ(charsOf(readFrom(c.text), c.count), c.expected) << c.text.size();
        EXPECT_EQ(capture.output(), c.output) << c.text.size();
    }
}

TEST_F(ReaderTest, EchoOfFileLinesWithArgumentsSubstituted) {
    std::vector<std::string> percent{"%2", "two"};
    struct Case {
        std::string text;
        const std::vector<std::string>* arguments;
        std::string echo;
    } cases[] = {
        {"update x\r\n2001.1 5\n", nullptr, "update x\r\n2001.1 5\n"},
        {"go", nullptr, "go\r\n"},  // the last line is completed
        {"update %1 + %2\n", &arguments, "update x1 + 2\n"},
        {"a%3b %9\n", &arguments, "ab \n"},  // a missing argument gives nothing
        {"x %1\n", &percent, "x %2\n"},  // substituted text is not scanned again
        {"a %x %0 %%1 b%\nnext\n%", &arguments, "a %x %0 %%1 b%\nnext\n%\r\n"},
    };
    model.addPrint = true;
    for (const Case& c : cases) {
        ConsoleCapture capture;
        model.addArguments = c.arguments;
        tokensOf(c.text);
        EXPECT_EQ(capture.output(), c.echo) << c.text;
    }
    ConsoleCapture capture;
    model.addPrint = false;
    tokensOf("update x\n");
    EXPECT_EQ(capture.output(), "");
}

TEST_F(ReaderTest, PushedBackCharacters) {
    FILE* input = readFrom("\xfe\n");
    int c = nextChar(input);
    EXPECT_EQ(c, 0xfe);
    ungetChar(c);  // a high byte survives
    EXPECT_EQ(nextChar(input), 0xfe);
    EXPECT_EQ(nextChar(input), '\n');
    ungetChar(-1);  // end of input leaves nothing waiting
    EXPECT_EQ(model.pushbackChar, 0);
}

TEST_F(ReaderTest, ConsoleLinesEndWithEmptyLineAndAreNotEchoedNorSubstituted) {
    struct Case {
        std::string typed;
        std::vector<std::pair<int, std::string>> reads;
    } cases[] = {
        {"go\n\nprint\n", {{4, "go\n<EOF>"}, {6, "print\n"}, {1, "<EOF>"}}},
        {"go\r\n\r\n", {{4, "go\n<EOF>"}}},
        {"x %1\n", {{5, "x %1\n"}}},
    };
    model.addPrint = true;
    model.addArguments = &arguments;
    for (const Case& c : cases) {
        ConsoleCapture capture(c.typed);
        model.consoleInput = true;
        model.currentChar = '\n';
        for (const auto& [count, expected] : c.reads) EXPECT_EQ(charsOf(console.in, count), expected) << c.typed;
        EXPECT_EQ(capture.output(), "") << c.typed;
    }
}

TEST_F(ReaderTest, StartUpLineIsDeliveredBeforeAnyInput) {
    ConsoleCapture capture("typed\n");
    model.lineBuffer = "add model.fix 100\r\n";
    model.linePos = 0;
    model.currentChar = 'a';
    model.consoleInput = true;
    EXPECT_EQ(charsOf(console.in, 18), "add model.fix 100\n");
    EXPECT_EQ(charsOf(console.in, 6), "typed\n");
}

}  // namespace
