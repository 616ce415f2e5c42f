// The reader: line assembly from command files and the console, carriage
// returns, % arguments and echo.
#include <string>
#include <vector>

#include "fixer/fixer_fixture.h"
#include "fixer/reader.h"
#include "runctl/console.h"
#include "state/model_state.h"

namespace {

class ReaderTest : public FixerTest {
protected:
    void SetUp() override {
        FixerTest::SetUp();
        model.addPrint = 1;
    }
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

TEST_F(ReaderTest, CarriageReturnIsNeverDelivered) {
    ConsoleCapture capture;
    model.addPrint = 0;
    EXPECT_EQ(charsOf(readFrom("a\r\nb\n"), 5), "a\nb\n<EOF>");
    EXPECT_EQ(charsOf(readFrom("a\nb\n"), 5), "a\nb\n<EOF>");
}

TEST_F(ReaderTest, LastLineWithoutLineFeedIsCompleted) {
    ConsoleCapture capture;
    FILE* input = readFrom("go");
    char text[kTokenSize];
    EXPECT_EQ(nextToken(text, input), kTokenName);
    EXPECT_STREQ(text, "go");
    EXPECT_EQ(nextToken(text, input), kTokenLineEnd);
    EXPECT_EQ(nextToken(text, input), kTokenEnd);
    EXPECT_EQ(nextChar(input), -1);
    EXPECT_EQ(model.currentChar, -1);
    EXPECT_EQ(capture.output(), "go\r\n");
}

TEST_F(ReaderTest, EchoesEachFileLineWhenAddPrintIsOn) {
    ConsoleCapture capture;
    model.addPrint = 1;
    tokensOf("update x\r\n2001.1 5\n");
    EXPECT_EQ(capture.output(), "update x\r\n2001.1 5\n");
}

TEST_F(ReaderTest, NoEchoWhenAddPrintIsOff) {
    ConsoleCapture capture;
    model.addPrint = 0;
    tokensOf("update x\n");
    EXPECT_EQ(capture.output(), "");
}

TEST_F(ReaderTest, ZeroBytesAreDropped) {
    ConsoleCapture capture;
    model.addPrint = 0;
    EXPECT_EQ(charsOf(readFrom(std::string("a\0b\n", 4)), 3), "ab\n");
}

TEST_F(ReaderTest, PercentDigitSubstitutesArgumentAndEchoesIt) {
    ConsoleCapture capture;
    model.addArguments = &arguments;
    std::vector<Token> tokens = tokensOf("update %1 + %2\n");
    std::vector<Token> expected{{'a', "update"}, {'a', "x1"}, {'+', "+"}, {'n', "2"}, {'f', "\n"}};
    EXPECT_EQ(tokens, expected);
    EXPECT_EQ(capture.output(), "update x1 + 2\n");
}

TEST_F(ReaderTest, PercentOfMissingArgumentGivesNothing) {
    ConsoleCapture capture;
    model.addArguments = &arguments;
    tokensOf("a%3b %9\n");
    EXPECT_EQ(capture.output(), "ab \n");
}

TEST_F(ReaderTest, SubstitutedTextIsNotScannedAgain) {
    ConsoleCapture capture;
    std::vector<std::string> percent{"%2", "two"};
    model.addArguments = &percent;
    tokensOf("x %1\n");
    EXPECT_EQ(capture.output(), "x %2\n");
}

TEST_F(ReaderTest, PercentWithoutDigitKeepsBothCharacters) {
    ConsoleCapture capture;
    model.addArguments = &arguments;
    tokensOf("a %x %0 %%1 b%\nnext\n%");
    EXPECT_EQ(capture.output(), "a %x %0 %%1 b%\nnext\n%\r\n");
}

TEST_F(ReaderTest, PercentBeforeLineFeedDoesNotMergeLines) {
    ConsoleCapture capture;
    model.addArguments = &arguments;
    model.addPrint = 0;
    FILE* input = readFrom("a%\nb\n");
    EXPECT_EQ(charsOf(input, 5), "a%\nb\n");
}

TEST_F(ReaderTest, PercentWithoutArgumentsIsPunctuation) {
    ConsoleCapture capture;
    std::vector<Token> tokens = tokensOf("%1\n");
    std::vector<Token> expected{{'%', "%"}, {'n', "1"}, {'f', "\n"}};
    EXPECT_EQ(tokens, expected);
}

TEST_F(ReaderTest, LongLinesAreReadWhole) {
    ConsoleCapture capture;
    model.addPrint = 0;
    std::vector<std::string> wide{std::string(300, 'w')};
    model.addArguments = &wide;
    std::string line = std::string(500, ' ') + "%1 end\n";
    std::vector<Token> tokens = tokensOf(line);
    ASSERT_EQ(tokens.size(), 10u);  // 300 letters: seven names of 39 and one of 27
    EXPECT_EQ(tokens[7].text, std::string(27, 'w'));
    EXPECT_EQ(tokens[8], (Token{'a', "end"}));
}

TEST_F(ReaderTest, BytesAboveAsciiAreOrdinaryCharacters) {
    ConsoleCapture capture;
    std::string text = "a\xe9 \xff\x80z\n";
    std::vector<Token> tokens = tokensOf(text);
    std::vector<Token> expected{{'a', "a"}, {'c', "\xe9"}, {'c', "\xff"}, {'c', "\x80"},
                                {'a', "z"}, {'f', "\n"}};
    EXPECT_EQ(tokens, expected);
}

TEST_F(ReaderTest, PushedBackHighByteSurvives) {
    ConsoleCapture capture;
    model.addPrint = 0;
    FILE* input = readFrom("\xfe\n");
    int c = nextChar(input);
    EXPECT_EQ(c, 0xfe);
    ungetChar(c);
    EXPECT_EQ(nextChar(input), 0xfe);
    EXPECT_EQ(nextChar(input), '\n');
}

TEST_F(ReaderTest, PushingBackEndOfInputLeavesNothingWaiting) {
    ungetChar(-1);
    EXPECT_EQ(model.pushbackChar, 0);
}

TEST_F(ReaderTest, ConsoleLinesEndWithEmptyLineAndGoOnAfterIt) {
    ConsoleCapture capture("go\n\nprint\n");
    model.consoleInput = 'y';
    model.currentChar = '\n';
    EXPECT_EQ(charsOf(console.in, 4), "go\n<EOF>");
    EXPECT_EQ(charsOf(console.in, 6), "print\n");
    EXPECT_EQ(charsOf(console.in, 1), "<EOF>");
    EXPECT_EQ(capture.output(), "");  // console lines are not echoed
}

TEST_F(ReaderTest, ConsoleLineWithCarriageReturnEndsLikeOneWithout) {
    ConsoleCapture capture("go\r\n\r\n");
    model.consoleInput = 'y';
    model.currentChar = '\n';
    EXPECT_EQ(charsOf(console.in, 4), "go\n<EOF>");
}

TEST_F(ReaderTest, ConsoleDoesNotSubstituteArguments) {
    ConsoleCapture capture("x %1\n");
    model.consoleInput = 'y';
    model.currentChar = '\n';
    model.addArguments = &arguments;
    EXPECT_EQ(charsOf(console.in, 5), "x %1\n");
}

TEST_F(ReaderTest, StartUpLineIsDeliveredBeforeAnyInput) {
    ConsoleCapture capture("typed\n");
    model.lineBuffer = "add model.fix 100\r\n";
    model.linePos = 0;
    model.currentChar = 'a';
    model.consoleInput = 'y';
    EXPECT_EQ(charsOf(console.in, 18), "add model.fix 100\n");
    EXPECT_EQ(charsOf(console.in, 6), "typed\n");
}

}  // namespace
