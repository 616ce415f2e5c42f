// Tokens: kinds, comments, quotations, the 39-character limit, numbers and
// names, repeatToken, readNumber and skipStatement.
#include <string>
#include <vector>

#include "fixer/fixer_fixture.h"
#include "fixer/reader.h"
#include "state/model_state.h"

namespace {

class TokenTest : public FixerTest {
public:
    using FixerTest::readFrom;

protected:
    void SetUp() override {
        FixerTest::SetUp();
        model.addPrint = 0;
    }
};

// The kind skipStatement returns and the first word after the statement it
// skipped, as "f next".
std::string afterSkipped(TokenTest& test, const std::string& text) {
    FILE* input = test.readFrom(text);
    char kind = skipStatement(input);
    char word[kTokenSize];
    nextToken(word, input);
    return std::string(1, kind) + " " + word;
}

TEST_F(TokenTest, CommentIsOneLineEnd) {
    std::vector<Token> expected{{'f', "#"}, {'a', "go"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("# a comment, with \"quotes\"\ngo\n"), expected);
}

TEST_F(TokenTest, CommentOnLastLineWithoutLineFeed) {
    FILE* input = readFrom("# last");
    char text[kTokenSize];
    EXPECT_EQ(nextToken(text, input), kTokenLineEnd);  // the line is completed with "\r\n"
    EXPECT_EQ(nextToken(text, input), kTokenEnd);
}

TEST_F(TokenTest, QuotedWordIsOneToken) {
    std::vector<Token> expected{{'"', "a word"}, {'a', "go"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("\"a word\" go\n"), expected);
}

TEST_F(TokenTest, UnclosedQuotationIsALineEnd) {
    std::vector<Token> expected{{'f', "open"}, {'a', "next"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("\"open\nnext\n"), expected);
}

TEST_F(TokenTest, LongQuotationKeepsFirst39AndStaysOneToken) {
    std::string inside = std::string(39, 'q') + "dropped part";
    std::vector<Token> expected{{'"', std::string(39, 'q')}, {'a', "after"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("\"" + inside + "\" after\n"), expected);
}

TEST_F(TokenTest, PunctuationSplitsNames) {
    std::vector<Token> expected{{'a', "abc"}, {',', ","}, {'a', "def"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("abc,def\n"), expected);
}

TEST_F(TokenTest, NameCharacters) {
    std::vector<Token> expected{{'a', "x.y:z$1"}, {'_', "_"}, {'a', "a"}, {'a', "\\b&c!d_e"},
                                {'f', "\n"}};
    EXPECT_EQ(tokensOf("x.y:z$1 _a \\b&c!d_e\n"), expected);
}

TEST_F(TokenTest, FortyFiveCharacterNameSplitsAt39) {
    std::string name(45, 'n');
    std::vector<Token> expected{{'a', std::string(39, 'n')}, {'a', std::string(6, 'n')}, {'f', "\n"}};
    EXPECT_EQ(tokensOf(name + "\n"), expected);
}

TEST_F(TokenTest, LongNumberSplitsAt39) {
    std::string digits(41, '7');
    std::vector<Token> expected{{'n', std::string(39, '7')}, {'n', "77"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf(digits + "\n"), expected);
}

TEST_F(TokenTest, UpperCaseEIsAnExponentLowerCaseIsNot) {
    std::vector<Token> expected{{'n', "1.5E+3"}, {'n', "1.5"}, {'a', "e3"}, {'n', "2.5E-3"},
                                {'n', "1.2.3"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("1.5E+3 1.5e3 2.5E-3 1.2.3\n"), expected);
}

TEST_F(TokenTest, SignOnlyDirectlyAfterE) {
    std::vector<Token> expected{{'n', "5"}, {'-', "-"}, {'n', "3"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("5-3\n"), expected);
}

TEST_F(TokenTest, NumberMayStartWithPoint) {
    std::vector<Token> expected{{'n', ".5"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf(".5\n"), expected);
}

TEST_F(TokenTest, EscapeAndOtherCharacters) {
    std::vector<Token> expected{{27, "\x1b"}, {'c', "\x01"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("\x1b \x01\n"), expected);
}

TEST_F(TokenTest, TabsAndBlanksSeparate) {
    std::vector<Token> expected{{'a', "a"}, {'a', "b"}, {'f', "\n"}};
    EXPECT_EQ(tokensOf("\t a\t\tb  \n"), expected);
}

TEST_F(TokenTest, RepeatTokenGivesTheLastTokenAgain) {
    FILE* input = readFrom("alpha beta\n");
    char text[kTokenSize];
    nextToken(text, input);
    repeatToken();
    EXPECT_EQ(nextToken(text, input), kTokenName);
    EXPECT_STREQ(text, "alpha");
    EXPECT_EQ(nextToken(text, input), kTokenName);
    EXPECT_STREQ(text, "beta");
}

TEST_F(TokenTest, RepeatTokenAfterEndOfInputGivesTheTokenBeforeIt) {
    FILE* input = readFrom("last");
    char text[kTokenSize];
    nextToken(text, input);
    nextToken(text, input);  // the line end
    EXPECT_EQ(nextToken(text, input), kTokenEnd);
    repeatToken();
    EXPECT_EQ(nextToken(text, input), kTokenLineEnd);
    EXPECT_STREQ(text, "\n");
    EXPECT_EQ(nextToken(text, input), kTokenEnd);
}

TEST_F(TokenTest, ReadNumberHonoursMinusJustBefore) {
    FILE* input = readFrom("- 5 -5 -x 7 abc 2.5E1\n");
    EXPECT_EQ(readNumber(input), -5.0);
    EXPECT_EQ(readNumber(input), -5.0);
    EXPECT_EQ(readNumber(input), 7.0);
    EXPECT_EQ(readNumber(input), 25.0);
}

TEST_F(TokenTest, ReadNumberTakesLongestLeadingDecimal) {
    FILE* input = readFrom("1.2.3\n");
    EXPECT_DOUBLE_EQ(readNumber(input), 1.2);
}

TEST_F(TokenTest, ReadNumberAtEndOfInput) {
    ConsoleCapture capture;
    FILE* input = readFrom("x y\n");
    EXPECT_EQ(readNumber(input), 0.0);
    EXPECT_EQ(capture.output(), "\n\rEnd of File on input \n");
}

TEST_F(TokenTest, SkipStatementFollowsContinuationLines) {
    EXPECT_EQ(afterSkipped(*this, "cta x +\n5\nnext\n"), "f next");
}

TEST_F(TokenTest, EachContinuationCharacterContinues) {
    for (const char* ending : {"+", "-", "/", "*", ",", "_"}) {
        EXPECT_EQ(afterSkipped(*this, std::string("a ") + ending + "\nb\nnext\n"), "f next") << ending;
    }
}

TEST_F(TokenTest, NameEndingInUnderscoreDoesNotContinue) {
    EXPECT_EQ(afterSkipped(*this, "a b_\nnext\n"), "f next");
}

TEST_F(TokenTest, EmptyStatementEndsAtFirstLineEnd) {
    EXPECT_EQ(afterSkipped(*this, "\nnext\n"), "f next");
}

TEST_F(TokenTest, SkipStatementAtEndOfInput) {
    FILE* input = readFrom("a +\n");
    EXPECT_EQ(skipStatement(input), kTokenEnd);
}

TEST_F(TokenTest, LastTokenIsRecorded) {
    FILE* input = readFrom("name\n");
    char text[kTokenSize];
    nextToken(text, input);
    EXPECT_EQ(model.lastTokenKind, kTokenName);
    EXPECT_STREQ(model.lastTokenText, "name");
}

}  // namespace
