// The optimiser's specification file: objective, capacity, equation and step
// lines, comments, number scanning and the refusals of unusable files.
#include <string>
#include <vector>

#include "optimiser/spec_file.h"
#include "state/model_state.h"
#include "support/harness.h"

namespace {

class SpecFile : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        model.equationCount = 3;
        model.coefCount = {4, 4, 2};
        model.equationNames = {"fixinv", "inventory", "imports"};
    }

    bool read(const std::string& text) {
        writeFile("opt.spec", text);
        return readSpecificationFile("opt.spec");
    }

    struct Parameter {
        int equation;
        int coefficient;
        float step;
        std::string name;
        bool operator==(const Parameter&) const = default;
    };

    static std::vector<Parameter> parameters() {
        std::vector<Parameter> table;
        EXPECT_EQ(static_cast<size_t>(model.parameterCount), model.parameterStep.size());
        for (size_t p = 0; p < model.parameterStep.size(); ++p)
            table.push_back({model.parameterEquation[p], model.parameterCoefficient[p],
                             model.parameterStep[p], model.parameterNames[p]});
        return table;
    }
};

TEST_F(SpecFile, OnlyTheFirstTwoLinesGiveNoParameters) {
    ConsoleCapture console;
    EXPECT_TRUE(read("s11 the change in final sales\n5\n"));
    EXPECT_EQ(model.objectiveName, "s11");
    EXPECT_EQ(model.parameterCount, 0);
    EXPECT_EQ(console.output(), "");
}

TEST_F(SpecFile, StepsMakeNonZeroCoefficientsParameters) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\ninventory the stock building equation\n0 0.05 0 0.1\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{1, 1, 0.05f, "inventory"}, {1, 3, 0.1f, "inventory"}}));
}

TEST_F(SpecFile, AShortStepLineLeavesTheOtherCoefficientsFixed) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\n0.05\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{0, 0, 0.05f, "fixinv"}}));
}

TEST_F(SpecFile, ALowerCaseEInAWordIsAZeroStep) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\nsteps: 0.5\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{0, 1, 0.5f, "fixinv"}}));
}

TEST_F(SpecFile, UpperCaseExponentSplitsTheNumber) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\n1E-3\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{0, 0, 1.0f, "fixinv"}, {0, 1, -3.0f, "fixinv"}}));
}

TEST_F(SpecFile, NumbersBeyondTheCoefficientCountAreIgnored) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nimports\n1, 2, 3, 4\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{2, 0, 1.0f, "imports"}, {2, 1, 2.0f, "imports"}}));
}

TEST_F(SpecFile, StepsThatRoundToZeroAreNotParameters) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\n1e-50 -0 0.000001\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{0, 2, 0.000001f, "fixinv"}}));
}

TEST_F(SpecFile, FirstAndLastEquationsAndCommentsAnywhere) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\n# investment first\nfixinv\n# its steps follow\n# twice\n0 0 1\n"
                     "#\nimports\n0.5\n# trailing comment\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{0, 2, 1.0f, "fixinv"}, {2, 0, 0.5f, "imports"}}));
}

TEST_F(SpecFile, TheSameEquationMayBeNamedTwice) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nimports\n0 1\nimports\n2\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{2, 1, 1.0f, "imports"}, {2, 0, 2.0f, "imports"}}));
}

TEST_F(SpecFile, CapacityMustExceedTheParameterCount) {
    {
        ConsoleCapture console;
        EXPECT_FALSE(read("gdp\n3\nfixinv\n1 1 1\n"));
        EXPECT_EQ(console.output(), "You need a larger MaxParameters at top of MaxSpec.dat file.\n");
        EXPECT_EQ(model.parameterCount, 3);
    }
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n3\nfixinv\n1 1\n"));
    EXPECT_EQ(model.parameterCount, 2);
    EXPECT_EQ(console.output(), "");
}

TEST_F(SpecFile, EquationNamesAreCaseSensitive) {
    ConsoleCapture console;
    EXPECT_FALSE(read("gdp\n10\nImports\n1\n"));
    EXPECT_EQ(console.output(), "Imports is not the name of a dependent variable.\n");
}

TEST_F(SpecFile, EndOfFileAfterAnEquationLine) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\n1\nimports\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{0, 0, 1.0f, "fixinv"}}));
    EXPECT_TRUE(read("gdp\n10\nimports"));
    EXPECT_EQ(model.parameterCount, 0);
}

TEST_F(SpecFile, EmptyEquationLineNamesNothing) {
    ConsoleCapture console;
    EXPECT_FALSE(read("gdp\n10\n\n1\n"));
    EXPECT_EQ(console.output(), " is not the name of a dependent variable.\n");
}

TEST_F(SpecFile, EmptyStepLineVariesNothing) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\n\nimports\n0 0.25\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{2, 1, 0.25f, "imports"}}));
}

TEST_F(SpecFile, LineOneNameEndsAtTheFirstSpace) {
    ConsoleCapture console;
    EXPECT_TRUE(read(" gdp\n10\n"));
    EXPECT_EQ(model.objectiveName, "");
    EXPECT_TRUE(read("gdp\tand more\n10\n"));
    EXPECT_EQ(model.objectiveName, "gdp\tand");
}

TEST_F(SpecFile, LongLinesAreReadInPieces) {
    ConsoleCapture console;
    // 749 characters make one line; the rest of the line is the step line.
    std::string equationLine = "imports" + std::string(742, ' ');
    EXPECT_TRUE(read("gdp\n10\n" + equationLine + "0 0.5\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{2, 1, 0.5f, "imports"}}));
    // Lines 1 and 2 are cut at 499 characters: the capacity is read from the rest of line 1.
    EXPECT_TRUE(read("gdp" + std::string(496, ' ') + "7\n"));
    EXPECT_EQ(model.objectiveName, "gdp");
    EXPECT_EQ(console.output(), "");
}

TEST_F(SpecFile, MissingFileIsReported) {
    ConsoleCapture console;
    EXPECT_FALSE(readSpecificationFile("nowhere.spec"));
    EXPECT_EQ(console.output(), "Cannot open nowhere.spec\n");
}

TEST_F(SpecFile, FewerThanTwoLinesAreRefused) {
    for (const char* text : {"", "gdp\n"}) {
        ConsoleCapture console;
        EXPECT_FALSE(read(text));
        EXPECT_EQ(console.output(),
                  "opt.spec must name the variable to be optimized on line 1 and give MaxParameters "
                  "on line 2.\n");
    }
}

TEST_F(SpecFile, CapacityMustBeAWholeNumberOfAtLeastOne) {
    for (const char* second : {"many\n", "0\n", "-4\n", "\n"}) {
        ConsoleCapture console;
        EXPECT_FALSE(read(std::string("gdp\n") + second + "fixinv\n1\n")) << second;
        EXPECT_EQ(console.output(),
                  "Line 2 of opt.spec must give MaxParameters, a whole number of at least 1.\n");
        EXPECT_EQ(model.parameterCount, 0);
    }
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n  2 parameters at most\nfixinv\n1\n"));
    EXPECT_EQ(model.parameterCount, 1);
}

TEST_F(SpecFile, ObjectiveNameOfMoreThan59CharactersIsRefused) {
    ConsoleCapture console;
    std::string longest(59, 'x');
    EXPECT_TRUE(read(longest + "\n5\n"));
    EXPECT_EQ(model.objectiveName, longest);
    EXPECT_FALSE(read(longest + "y\n5\n"));
    EXPECT_EQ(console.output(),
              "The name of the variable to be optimized in opt.spec is longer than 59 characters.\n");
}

TEST_F(SpecFile, ATableIsReadAfresh) {
    ConsoleCapture console;
    EXPECT_TRUE(read("gdp\n10\nfixinv\n1 1\n"));
    EXPECT_TRUE(read("gdp\n10\nimports\n1\n"));
    EXPECT_EQ(parameters(), (std::vector<Parameter>{{2, 0, 1.0f, "imports"}}));
}

using NumberScan = ModelTest;

TEST_F(NumberScan, NumberCharacters) {
    for (char c : std::string("0123456789.-+e")) EXPECT_TRUE(isNumberChar(c)) << c;
    for (char c : std::string("E ,\tax/\n")) EXPECT_FALSE(isNumberChar(c)) << c;
}

TEST_F(NumberScan, NumbersBetweenAnyOtherCharacters) {
    std::string line = "a=0.5,\t-2x+3e1 E\n7";
    size_t position = 0;
    double value = 0;
    std::vector<double> found;
    while (nextNumber(line, position, value)) found.push_back(value);
    EXPECT_EQ(found, (std::vector<double>{0.5, -2.0, 30.0}));
    EXPECT_EQ(position, line.find('\n'));
    // Once at the end it stays there.
    EXPECT_FALSE(nextNumber(line, position, value));
    EXPECT_EQ(position, line.find('\n'));
}

TEST_F(NumberScan, RunsWithoutAValidPrefixAreZero) {
    std::string line = "- e .";
    size_t position = 0;
    double value = 1;
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(nextNumber(line, position, value));
        EXPECT_EQ(value, 0.0);
    }
    EXPECT_FALSE(nextNumber(line, position, value));
    EXPECT_EQ(position, line.size());
}

TEST_F(NumberScan, LongestValidPrefixCounts) {
    std::string line = "1.5-2 3e+";
    size_t position = 0;
    double value = 0;
    ASSERT_TRUE(nextNumber(line, position, value));
    EXPECT_EQ(value, 1.5);
    EXPECT_EQ(position, 5u);
    ASSERT_TRUE(nextNumber(line, position, value));
    EXPECT_EQ(value, 3.0);
}

TEST_F(NumberScan, ARunTakesAtMost35Characters) {
    std::string line = std::string(35, '1') + "25";
    size_t position = 0;
    double value = 0;
    ASSERT_TRUE(nextNumber(line, position, value));
    EXPECT_EQ(value, 1.1111111111111111e34);
    EXPECT_EQ(position, 35u);
    ASSERT_TRUE(nextNumber(line, position, value));
    EXPECT_EQ(value, 25.0);
}

}  // namespace
