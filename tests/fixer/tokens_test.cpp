// Tokens: kinds, comments, quotations, the 39-character limit, numbers and
// names, % arguments, repeatToken, readNumber and skipStatement.
#include <string>
#include <vector>

#include "fixer/fixer_fixture.h"
#include "fixer/reader.h"
#include "state/model_state.h"

namespace {

using TokenTest = FixerTest;

TEST_F(TokenTest, TokensOfALine) {
    std::vector<Token> wide(3, Token{'a', std::string(39, 'w')});  // 130 letters from %1
    wide.insert(wide.end(), {{'a', std::string(13, 'w')}, {'a', "end"}, {'f', "\n"}});
    struct Case {
        std::string text;
        std::vector<Token> expected;
        std::vector<std::string> arguments = {};
    } cases[] = {
        {"# a comment, with \"quotes\"\ngo\n", {{'f', "#"}, {'a', "go"}, {'f', "\n"}}},
        {"# last", {{'f', "#"}}},  // the last line is completed with "\r\n"
        {"go", {{'a', "go"}, {'f', "\n"}}},
        {"\"a word\" go\n", {{'"', "a word"}, {'a', "go"}, {'f', "\n"}}},
        {"\"open\nnext\n", {{'f', "open"}, {'a', "next"}, {'f', "\n"}}},  // unclosed quotation
        {"\"" + std::string(39, 'q') + "dropped part\" after\n",
         {{'"', std::string(39, 'q')}, {'a', "after"}, {'f', "\n"}}},
        {"abc,def\n", {{'a', "abc"}, {',', ","}, {'a', "def"}, {'f', "\n"}}},
        {"x.y:z$1 _a \\b&c!d_e\n", {{'a', "x.y:z$1"}, {'_', "_"}, {'a', "a"}, {'a', "\\b&c!d_e"}, {'f', "\n"}}},
        {std::string(45, 'n') + "\n", {{'a', std::string(39, 'n')}, {'a', std::string(6, 'n')}, {'f', "\n"}}},
        {std::string(41, '7') + "\n", {{'n', std::string(39, '7')}, {'n', "77"}, {'f', "\n"}}},
        {"1.5E+3 1.5e3 2.5E-3 1.2.3\n",
         {{'n', "1.5E+3"}, {'n', "1.5"}, {'a', "e3"}, {'n', "2.5E-3"}, {'n', "1.2.3"}, {'f', "\n"}}},
        {"5-3\n", {{'n', "5"}, {'-', "-"}, {'n', "3"}, {'f', "\n"}}},  // a sign only right after E
        {".5\n", {{'n', ".5"}, {'f', "\n"}}},
        {"\x1b \x01\n", {{27, "\x1b"}, {'c', "\x01"}, {'f', "\n"}}},
        {"\t a\t\tb  \n", {{'a', "a"}, {'a', "b"}, {'f', "\n"}}},
        {"a\xe9 \xff\x80z\n", {{'a', "a"}, {'c', "\xe9"}, {'c', "\xff"}, {'c', "\x80"}, {'a', "z"}, {'f', "\n"}}},
        {"%1\n", {{'%', "%"}, {'n', "1"}, {'f', "\n"}}},  // without arguments % is punctuation
        {"update %1 + %2\n", {{'a', "update"}, {'a', "x1"}, {'+', "+"}, {'n', "2"}, {'f', "\n"}}, {"x1", "2"}},
        {std::string(100, ' ') + "%1 end\n", wide, {std::string(130, 'w')}},  // long lines are read whole
    };
    for (const Case& c : cases) {
        model.addArguments = c.arguments.empty() ? nullptr : &c.arguments;
        EXPECT_EQ(tokensOf(c.text), c.expected) << c.text;
    }
}

TEST_F(TokenTest, RepeatTokenGivesTheLastTokenAgain) {
    FILE* input = readFrom("alpha beta\n");
    char text[kTokenSize];
    nextToken(text, input);
    EXPECT_EQ(model.lastTokenKind, kTokenName);
    EXPECT_STREQ(model.lastTokenText, "alpha");
    repeatToken();
    EXPECT_EQ(nextToken(text, input), kTokenName);
    EXPECT_STREQ(text, "alpha");
    EXPECT_EQ(nextToken(text, input), kTokenName);
    EXPECT_STREQ(text, "beta");
}

TEST_F(TokenTest, EndOfInputStaysAndRepeatGivesTheTokenBeforeIt) {
    FILE* input = readFrom("last");
    char text[kTokenSize];
    nextToken(text, input);
    nextToken(text, input);  // the line end
    EXPECT_EQ(nextToken(text, input), kTokenEnd);
    EXPECT_EQ(nextChar(input), -1);
    EXPECT_EQ(model.currentChar, -1);
    repeatToken();
    EXPECT_EQ(nextToken(text, input), kTokenLineEnd);
    EXPECT_STREQ(text, "\n");
    EXPECT_EQ(nextToken(text, input), kTokenEnd);
}

TEST_F(TokenTest, ReadNumber) {
    FILE* input = readFrom("- 5 -5 -x 7 abc 2.5E1 1.2.3\n");  // a minus only just before
    for (double expected : {-5.0, -5.0, 7.0, 25.0, 1.2}) EXPECT_EQ(readNumber(input), expected);
    ConsoleCapture capture;
    EXPECT_EQ(readNumber(readFrom("x y\n")), 0.0);
    EXPECT_EQ(capture.output(), "\n\rEnd of File on input \n");
}

TEST_F(TokenTest, SkipStatementFollowsContinuationLines) {
    std::vector<std::string> texts{"cta x +\n5\nnext\n", "a b_\nnext\n", "\nnext\n"};
    for (const char* ending : {"+", "-", "/", "*", ",", "_"}) texts.push_back(std::string("a ") + ending + "\nb\nnext\n");
    for (const std::string& text : texts) {
        FILE* input = readFrom(text);
        char word[kTokenSize];
        EXPECT_EQ(skipStatement(input), kTokenLineEnd) << text;
        nextToken(word, input);
        EXPECT_STREQ(word, "next") << text;
    }
    EXPECT_EQ(skipStatement(readFrom("a +\n")), kTokenEnd);
}

}  // namespace
