// The optimiser's specification file: objective, capacity, equation and step
// lines, comments, number scanning and the refusals of unusable files.
#include <string>
#include <vector>

#include "optimiser/spec_file.h"
#include "state/model_state.h"
#include "support/harness.h"

namespace {

struct Parameter {
    int equation;
    int coefficient;
    float step;
    std::string name;
    bool operator==(const Parameter&) const = default;
};

std::vector<Parameter> parameters() {
    std::vector<Parameter> table;
    EXPECT_EQ(static_cast<size_t>(model.parameterCount), model.parameterStep.size());
    for (size_t p = 0; p < model.parameterStep.size(); ++p)
        table.push_back({model.parameterEquation[p], model.parameterCoefficient[p], model.parameterStep[p],
                         model.parameterNames[p]});
    return table;
}

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
};

struct Accepted {
    std::string text;
    std::vector<Parameter> parameters;
    std::string objective = "gdp";
};

const std::string kLongest(59, 'x');

// Every row is read into the same record: a table left over from the row before would show.
const Accepted kAccepted[] = {
    {"s11 the change in final sales\n5\n", {}, "s11"},
    {"gdp\n10\ninventory the stock building equation\n0 0.05 0 0.1\n",
     {{1, 1, 0.05f, "inventory"}, {1, 3, 0.1f, "inventory"}}},
    {"gdp\n10\nfixinv\n0.05\n", {{0, 0, 0.05f, "fixinv"}}},                        // a short step line
    {"gdp\n10\nfixinv\nsteps: 0.5\n", {{0, 1, 0.5f, "fixinv"}}},                    // 'e' in a word is 0
    {"gdp\n10\nfixinv\n1E-3\n", {{0, 0, 1.0f, "fixinv"}, {0, 1, -3.0f, "fixinv"}}},  // 'E' splits
    {"gdp\n10\nimports\n1, 2, 3, 4\n", {{2, 0, 1.0f, "imports"}, {2, 1, 2.0f, "imports"}}},
    {"gdp\n10\nfixinv\n1e-50 -0 0.000001\n", {{0, 2, 0.000001f, "fixinv"}}},  // rounded to 0: fixed
    {"gdp\n10\n# investment first\nfixinv\n# its steps follow\n# twice\n0 0 1\n#\nimports\n0.5\n# trailing\n",
     {{0, 2, 1.0f, "fixinv"}, {2, 0, 0.5f, "imports"}}},
    {"gdp\n10\nimports\n0 1\nimports\n2\n", {{2, 1, 1.0f, "imports"}, {2, 0, 2.0f, "imports"}}},
    {"gdp\n3\nfixinv\n1 1\n", {{0, 0, 1.0f, "fixinv"}, {0, 1, 1.0f, "fixinv"}}},  // below the capacity
    {"gdp\n  2 parameters at most\nfixinv\n1\n", {{0, 0, 1.0f, "fixinv"}}},
    {"gdp\n10\nfixinv\n1\nimports\n", {{0, 0, 1.0f, "fixinv"}}},  // the file ends after a name
    {"gdp\n10\nimports", {}},
    {"gdp\n10\nfixinv\n\nimports\n0 0.25\n", {{2, 1, 0.25f, "imports"}}},  // an empty step line
    {" gdp\n10\n", {}, ""},                                              // the name ends at a space
    {"gdp\tand more\n10\n", {}, "gdp\tand"},
    // 749 characters make one line; the rest of the line is the step line.
    {"gdp\n10\nimports" + std::string(742, ' ') + "0 0.5\n", {{2, 1, 0.5f, "imports"}}},
    // Lines 1 and 2 are cut at 499 characters: the capacity is read from the rest of line 1.
    {"gdp" + std::string(496, ' ') + "7\n", {}},
    {kLongest + "\n5\n", {}, kLongest},
};

TEST_F(SpecFile, ReadsTheObjectiveAndTheParameterTable) {
    for (const Accepted& row : kAccepted) {
        SCOPED_TRACE(row.text);
        ConsoleCapture console;
        EXPECT_TRUE(read(row.text));
        EXPECT_EQ(model.objectiveName, row.objective);
        EXPECT_EQ(parameters(), row.parameters);
        EXPECT_EQ(console.output(), "");
    }
}

struct Refused {
    std::string text;
    std::string message;
    int parameterCount = 0;
};

const std::string kTooFewLines =
    "opt.spec must name the variable to be optimized on line 1 and give MaxParameters on line 2.\n";
const std::string kBadCapacity = "Line 2 of opt.spec must give MaxParameters, a whole number of at least 1.\n";

const Refused kRefused[] = {
    {"gdp\n3\nfixinv\n1 1 1\n", "You need a larger MaxParameters at top of MaxSpec.dat file.\n", 3},
    {"gdp\n10\nImports\n1\n", "Imports is not the name of a dependent variable.\n"},  // case counts
    {"gdp\n10\n\n1\n", " is not the name of a dependent variable.\n"},
    {"", kTooFewLines},
    {"gdp\n", kTooFewLines},
    {"gdp\nmany\nfixinv\n1\n", kBadCapacity},
    {"gdp\n0\nfixinv\n1\n", kBadCapacity},
    {"gdp\n-4\nfixinv\n1\n", kBadCapacity},
    {"gdp\n\nfixinv\n1\n", kBadCapacity},
    {kLongest + "y\n5\n",
     "The name of the variable to be optimized in opt.spec is longer than 59 characters.\n"},
};

TEST_F(SpecFile, RefusesUnusableFiles) {
    for (const Refused& row : kRefused) {
        SCOPED_TRACE(row.text);
        ConsoleCapture console;
        EXPECT_FALSE(read(row.text));
        EXPECT_EQ(console.output(), row.message);
        EXPECT_EQ(model.parameterCount, row.parameterCount);
    }
}

TEST_F(SpecFile, MissingFileIsReported) {
    ConsoleCapture console;
    EXPECT_FALSE(readSpecificationFile("nowhere.spec"));
    EXPECT_EQ(console.output(), "Cannot open nowhere.spec\n");
}

TEST(NumberScan, NumberCharacters) {
    for (char c : std::string("0123456789.-+e")) EXPECT_TRUE(isNumberChar(c)) << c;
    for (char c : std::string("E ,\tax/\n")) EXPECT_FALSE(isNumberChar(c)) << c;
}

struct Scan {
    std::string line;
    std::vector<double> numbers;
    size_t end;  // where the position stays once no number is left
};

const Scan kScans[] = {
    {"a=0.5,\t-2x+3e1 E\n7", {0.5, -2.0, 30.0}, 16},  // the line feed ends the line
    {"- e .", {0.0, 0.0, 0.0}, 5},                     // runs without a valid prefix
    {"1.5-2 3e+", {1.5, 3.0}, 9},                      // the longest valid prefix of a run
    {std::string(35, '1') + "25", {1.1111111111111111e34, 25.0}, 37},  // at most 35 characters a run
};

TEST(NumberScan, NumbersBetweenAnyOtherCharacters) {
    for (const Scan& row : kScans) {
        SCOPED_TRACE(row.line);
        size_t position = 0;
        double value = -1;
        std::vector<double> found;
        while (nextNumber(row.line, position, value)) found.push_back(value);
        EXPECT_EQ(found, row.numbers);
        EXPECT_EQ(position, row.end);
        EXPECT_FALSE(nextNumber(row.line, position, value));
        EXPECT_EQ(position, row.end);
    }
}

}  // namespace
