// heart.dim and heart.dat: layouts, refusals with their messages and exit
// codes, random coefficient draws, and blocks written then read back.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "runctl/arrays.h"
#include "state/model_state.h"
#include "stochastic/coefficients.h"
#include "stochastic/random.h"
#include "support/harness.h"

namespace {

// Equation tables as readEquationDimensions and allocateWorkspace leave them.
void prepareEquations(const std::vector<std::pair<char, int16_t>>& equations) {
    model.equationCount = static_cast<int16_t>(equations.size());
    model.declaredEquationCount = model.equationCount;
    model.coef.assign(equations.size(), FloatVector{});
    for (size_t e = 0; e < equations.size(); ++e) {
        model.equationKind.push_back(equations[e].first);
        model.coefCount.push_back(equations[e].second);
        if (equations[e].second > 0) {
            model.coef[e] = allocVector(0, equations[e].second - 1);
            for (int k = 0; k < equations[e].second; ++k) model.coef[e][k] = 0.0f;
        }
    }
    model.errorRho = allocVector(0, model.equationCount - 1);
    model.errorSee = allocVector(0, model.equationCount - 1);
    for (int e = 0; e < model.equationCount; ++e) model.errorRho[e] = model.errorSee[e] = 0.0f;
}

std::vector<float> coefficientsOf(int e) {
    std::vector<float> values;
    for (int k = 0; k < model.coefCount[e]; ++k) values.push_back(model.coef[e][k]);
    return values;
}

// Runs `body` expecting it to end the process; returns the code and the error text.
template <typename Body>
std::pair<int, std::string> refusal(Body body) {
    ConsoleCapture console;
    int code = exitCodeOf(body);
    return {code, console.errors()};
}

const char* kThreeEquations =
    "invest   investment, equation 0\n"
    "coeff =\n"
    "1.5 0.25 0.01\n"
    "0.02 0.03 0.04 0.05\n"
    "0.06 0.07 0.08 0.09 0.10\n"
    "0.11\n"
    "rho = 0.5\n"
    "SEE = 12.25\n"
    "draw matrix follows\n"
    "0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "0 0 0 0 0 0 0 0 0 0 0 0 0\n"
    "invent\n"
    "coeff anything\n"
    "0.3\n-0.1\n0.05 -0.02\n"
    "rho=-0.25\n"
    "SEE=3\n"
    "\n"
    "1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n"
    "imports\n"
    "coeff\n"
    "10 0.1 0.05 0.12\n";

using HeartDim = ModelTest;

TEST_F(HeartDim, ReadsKindsAndCounts) {
    writeFile("heart.dim", "3\ns13\ns4\nx4\n");
    EXPECT_EQ(readEquationDimensions(), 3);
    EXPECT_EQ(model.declaredEquationCount, 3);
    EXPECT_EQ(model.equationKind, (std::vector<char>{'s', 's', 'x'}));
    EXPECT_EQ(model.coefCount, (std::vector<int16_t>{13, 4, 4}));
}

TEST_F(HeartDim, AllowsLeadingBlanksAndTextAfterTheDeclaredCount) {
    writeFile("heart.dim", "  2 equations\ns  13\nx 4  \n");
    EXPECT_EQ(readEquationDimensions(), 2);
    EXPECT_EQ(model.coefCount, (std::vector<int16_t>{13, 4}));
}

TEST_F(HeartDim, TrailingEmptyLineIsAnEquationWithoutCoefficients) {
    writeFile("heart.dim", "3\ns13\ns4\n\n");
    EXPECT_EQ(readEquationDimensions(), 3);
    EXPECT_EQ(model.equationKind[2], '\n');
    EXPECT_EQ(model.coefCount[2], 0);
}

TEST_F(HeartDim, FewerLinesThanDeclaredKeepTheDeclaredTables) {
    writeFile("heart.dim", "5\ns13");
    EXPECT_EQ(readEquationDimensions(), 1);
    EXPECT_EQ(model.declaredEquationCount, 5);
    EXPECT_EQ(model.coefCount.size(), 5u);
    EXPECT_EQ(model.coefCount[0], 13);
}

TEST_F(HeartDim, MissingFileEndsWithThree) {
    auto [code, errors] = refusal([] { readEquationDimensions(); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(errors, "Cannot open heart.dim\n");
}

TEST_F(HeartDim, EmptyFileEndsEarly) {
    writeFile("heart.dim", "");
    auto [code, errors] = refusal([] { readEquationDimensions(); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(errors, "heart.dim ends before the number of equations\n");
}

TEST_F(HeartDim, DeclaredCountMustBeAWholeNumber) {
    for (const char* first : {"three\n", "-3\n", "40000\n", "\n"}) {
        writeFile("heart.dim", first);
        resetModelState();
        auto [code, errors] = refusal([] { readEquationDimensions(); });
        EXPECT_EQ(code, 3) << first;
        EXPECT_EQ(errors, "heart.dim: the number of equations is not a whole number from 0 to 32767\n")
            << first;
    }
}

TEST_F(HeartDim, CoefficientCountMustBeAWholeNumber) {
    for (const char* second : {"s1x\n", "s-4\n", "s 4 5\n", "s99999\n"}) {
        writeFile("heart.dim", std::string("3\ns13\n") + second);
        resetModelState();
        auto [code, errors] = refusal([] { readEquationDimensions(); });
        EXPECT_EQ(code, 3) << second;
        EXPECT_EQ(errors,
                  "heart.dim: the coefficient count of equation 2 is not a whole number from 0 to 32767\n")
            << second;
    }
}

TEST_F(HeartDim, MoreLinesThanDeclaredAreRefused) {
    writeFile("heart.dim", "2\ns13\ns4\nx4\n");
    auto [code, errors] = refusal([] { readEquationDimensions(); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(errors, "heart.dim declares 2 equations but holds a line for equation 3\n");
}

TEST_F(HeartDim, LinesLongerThanEighteenCharactersAreRefused) {
    writeFile("heart.dim", "2\ns13\ns4" + std::string(17, ' ') + "\n");  // 19 characters
    auto [code, errors] = refusal([] { readEquationDimensions(); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(errors, "heart.dim: the line of equation 2 is longer than 18 characters\n");

    writeFile("heart.dim", "2 equations in the model\ns13\ns4\n");
    resetModelState();
    auto [firstCode, firstErrors] = refusal([] { readEquationDimensions(); });
    EXPECT_EQ(firstCode, 3);
    EXPECT_EQ(firstErrors, "heart.dim: its first line is longer than 18 characters\n");

    writeFile("heart.dim", "2\ns13" + std::string(15, ' ') + "\ns4\n");  // 18 are fine
    resetModelState();
    EXPECT_EQ(readEquationDimensions(), 2);
}

using HeartDat = ModelTest;

TEST_F(HeartDat, ReadsEveryBlockOfTheLayout) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations({{'s', 13}, {'s', 4}, {'x', 4}});
    readCoefficients();
    EXPECT_EQ(coefficientsOf(0), (std::vector<float>{1.5f, 0.25f, 0.01f, 0.02f, 0.03f, 0.04f, 0.05f,
                                                     0.06f, 0.07f, 0.08f, 0.09f, 0.10f, 0.11f}));
    EXPECT_EQ(coefficientsOf(1), (std::vector<float>{0.3f, -0.1f, 0.05f, -0.02f}));
    EXPECT_EQ(coefficientsOf(2), (std::vector<float>{10.0f, 0.1f, 0.05f, 0.12f}));
    EXPECT_EQ(model.errorRho[0], 0.5f);
    EXPECT_EQ(model.errorSee[0], 12.25f);
    EXPECT_EQ(model.errorRho[1], -0.25f);
    EXPECT_EQ(model.errorSee[1], 3.0f);
    EXPECT_EQ(model.errorRho[2], 0.0f);  // an ordinary equation has none
}

TEST_F(HeartDat, EveryReadingStartsAgainFromTheFile) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations({{'s', 13}, {'s', 4}, {'x', 4}});
    readCoefficients();
    FILE* stream = model.coefficientStream;
    model.coef[2][0] = 99.0f;
    model.errorSee[1] = 0.0f;
    readCoefficients();
    EXPECT_EQ(model.coefficientStream, stream);  // opened once, rewound
    EXPECT_EQ(model.coef[2][0], 10.0f);
    EXPECT_EQ(model.errorSee[1], 3.0f);
}

TEST_F(HeartDat, MissingFileEndsWithThree) {
    prepareEquations({{'x', 1}});
    auto [code, errors] = refusal([] { readCoefficients(); });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(errors, "Cannot open heart.dat\n");
}

TEST_F(HeartDat, KeywordMustBeLowerCaseCoeff) {
    writeFile("heart.dat", "invest\ncoeff\n1\nimports line\nCoeff =\n2\n");
    prepareEquations({{'x', 1}, {'x', 1}});
    auto [code, errors] = refusal([] { readCoefficients(); });
    EXPECT_EQ(code, 4);
    EXPECT_EQ(errors,
              "\nFound Coeff when I was expecting  Coeff\nbefore equation 2 for imports (?) in heart.dat\n");
}

TEST_F(HeartDat, RefusesNamesAndKeywordsLongerThanNineteenCharacters) {
    writeFile("heart.dat", "abcdefghijklmnopqrst\ncoeff\n1\n");
    prepareEquations({{'x', 1}});
    auto [code, errors] = refusal([] { readCoefficients(); });
    EXPECT_EQ(code, 4);
    EXPECT_EQ(errors, "\nheart.dat: the name abcdefghijklmnopqrst of equation 1 is longer than 19 characters\n");

    writeFile("heart.dat", "abcdefghijklmnopqrs\ncoefficientsfollowing\n1\n");
    resetModelState();
    prepareEquations({{'x', 1}});
    auto [keywordCode, keywordErrors] = refusal([] { readCoefficients(); });
    EXPECT_EQ(keywordCode, 4);
    EXPECT_EQ(keywordErrors,
              "\nheart.dat: the keyword of equation 1 for abcdefghijklmnopqrs is longer than 19 characters\n");
}

TEST_F(HeartDat, RefusesFieldsThatAreNotNumbers) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"invest\ncoeff\n1.5x 2\n", "1.5x in the coefficients"},
        {"invest\ncoeff\nnan 2\n", "nan in the coefficients"},
        {"invest\ncoeff\n1e999 2\n", "1e999 in the coefficients"},
        {"invest\ncoeff\n1 2\nrho = high\n", "high in the rho"},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 0x10\n", "0x10 in the SEE"},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 1\n\n1 0\n0 one\n", "one in the draw matrix"},
    };
    for (const auto& [text, field] : cases) {
        writeFile("heart.dat", text);
        resetModelState();
        prepareEquations({{'s', 2}});
        auto [code, errors] = refusal([] { readCoefficients(); });
        EXPECT_EQ(code, 4) << text;
        EXPECT_EQ(errors, "\nheart.dat: " + field + " of equation 1 for invest is not a valid number\n");
    }
}

TEST_F(HeartDat, RefusesBlocksThatEndEarly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"invest\n", "\nheart.dat ends in the keyword of equation 1 for invest\n"},
        {"invest\ncoeff\n1\n", "\nheart.dat ends in the coefficients of equation 1 for invest\n"},
        {"invest\ncoeff\n1 2\n", "\nheart.dat ends in the rho of equation 1 for invest\n"},
        {"invest\ncoeff\n1 2\nrho 0.5\nSEE 1\n", "\nheart.dat ends in the rho of equation 1 for invest\n"},
        {"invest\ncoeff\n1 2\nrho = 0.5\n", "\nheart.dat ends in the SEE of equation 1 for invest\n"},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 1\n\n1 0 0\n",
         "\nheart.dat ends in the draw matrix of equation 1 for invest\n"},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 1\n\n1 0\n0 1\n", "\nheart.dat ends before equation 2\n"},
    };
    for (const auto& [text, message] : cases) {
        writeFile("heart.dat", text);
        resetModelState();
        prepareEquations({{'s', 2}, {'x', 1}});
        auto [code, errors] = refusal([] { readCoefficients(); });
        EXPECT_EQ(code, 4) << text;
        EXPECT_EQ(errors, message) << text;
    }
}

TEST_F(HeartDat, NoMemoryForTheDrawMatrixEndsWithFour) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations({{'s', 13}, {'s', 4}, {'x', 4}});
    ConsoleCapture console;
    limitAllocations(0);
    int code = exitCodeOf([] { readCoefficients(); });
    limitAllocations(-1);
    EXPECT_EQ(code, 4);
    EXPECT_EQ(console.output(), "Not enough space.\n");
}

TEST_F(HeartDat, NoMemoryForTheDeviatesEndsWithNine) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations({{'s', 13}, {'s', 4}, {'x', 4}});
    model.randomCoefficients = 1;
    ConsoleCapture console;
    limitAllocations(14);  // the matrix's row table and its 13 rows
    int code = exitCodeOf([] { readCoefficients(); });
    limitAllocations(-1);
    EXPECT_EQ(code, 9);
    EXPECT_EQ(console.output(), "Not enough space.\n");
}

TEST_F(HeartDat, StochasticEquationWithoutCoefficientsHasNoMatrix) {
    writeFile("heart.dat", "shock\ncoeff\n\nrho = 0.5\nSEE = 2\n\nimports\ncoeff\n7\n");
    prepareEquations({{'s', 0}, {'x', 1}});
    model.randomCoefficients = 1;
    readCoefficients();
    EXPECT_EQ(model.errorRho[0], 0.5f);
    EXPECT_EQ(model.errorSee[0], 2.0f);
    EXPECT_EQ(model.coef[1][0], 7.0f);
}

using CoefficientDraws = ModelTest;

// The deviates the draws take: the first n of a fresh stream from seed 1.
std::vector<float> deviatesFromSeedOne(int n) {
    resetModelState();
    model.rngSeed = 1;
    std::vector<float> z;
    for (int k = 0; k < n; ++k) z.push_back(static_cast<float>(normalDeviate()));
    resetModelState();
    return z;
}

TEST_F(CoefficientDraws, WithoutDrawsTheStoredValuesStand) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations({{'s', 13}, {'s', 4}, {'x', 4}});
    model.rngSeed = 1;
    readCoefficients();
    EXPECT_EQ(coefficientsOf(1), (std::vector<float>{0.3f, -0.1f, 0.05f, -0.02f}));
    EXPECT_FALSE(model.random.initialised);  // no deviate was drawn
}

TEST_F(CoefficientDraws, CoefficientsMoveByTheMatrixTimesDeviates) {
    const std::vector<float> z = deviatesFromSeedOne(4);
    writeFile("heart.dat",
              "first\ncoeff\n1 2\nrho = 0\nSEE = 1\n\n0 1\n0 0\n"
              "second\ncoeff\n5 6\nrho = 0\nSEE = 1\n\n2 0\n0.5 3\n"
              "plain\ncoeff\n9\n");
    prepareEquations({{'s', 2}, {'s', 2}, {'x', 1}});
    model.rngSeed = 1;
    model.randomCoefficients = 1;
    readCoefficients();
    // Row i of the matrix meets the deviates in column order: M[i][k] * z[k].
    EXPECT_EQ(model.coef[0][0], static_cast<float>(1.0f + static_cast<double>(z[1])));
    EXPECT_EQ(model.coef[0][1], 2.0f);
    EXPECT_EQ(model.coef[1][0], static_cast<float>(5.0f + 2.0 * z[2]));
    const float half = static_cast<float>(0.5 * z[2] + 6.0f);
    EXPECT_EQ(model.coef[1][1], static_cast<float>(3.0 * z[3] + half));
    EXPECT_EQ(model.coef[2][0], 9.0f);  // ordinary equations are never drawn
}

TEST_F(CoefficientDraws, EachReadingDrawsAfreshAroundTheStoredValues) {
    const std::vector<float> z = deviatesFromSeedOne(2);
    writeFile("heart.dat", "only\ncoeff\n1\nrho = 0\nSEE = 1\n\n1\n");
    prepareEquations({{'s', 1}});
    model.rngSeed = 1;
    model.randomCoefficients = 1;
    readCoefficients();
    EXPECT_EQ(model.coef[0][0], static_cast<float>(1.0 + z[0]));
    readCoefficients();
    EXPECT_EQ(model.coef[0][0], static_cast<float>(1.0 + z[1]));
}

using CoefficientWriter = ModelTest;

std::string writtenBlock(const char* name, char kind, const std::vector<float>& values, float rho,
                         float see, const FloatMatrix& matrix) {
    FILE* out = std::fopen("block.txt", "w");
    EXPECT_EQ(writeCoefficientBlock(out, name, kind, values.data(), static_cast<int>(values.size()),
                                    rho, see, matrix),
              0);
    std::fclose(out);
    return readFile("block.txt");
}

TEST_F(CoefficientWriter, OrdinaryBlockStandsThreeValuesToALine) {
    EXPECT_EQ(writtenBlock("invest", 'x', {1, 2, 3, 4, 5, 6, 7.5f}, 0, 0, FloatMatrix{}),
              "invest\ncoeff =\n"
              "1.000000  2.000000  3.000000  \n"
              "4.000000  5.000000  6.000000  \n"
              "7.500000  \n");
}

TEST_F(CoefficientWriter, StochasticBlockCarriesRhoSeeAndTheMatrix) {
    FloatMatrix matrix = allocMatrix(0, 1, 0, 1);
    matrix[0][0] = 1.5f;
    matrix[0][1] = -0.25f;
    matrix[1][0] = 0.0f;
    matrix[1][1] = 2.0f;
    EXPECT_EQ(writtenBlock("invent", 's', {0.3f, -0.1f}, 0.75f, 3.5f, matrix),
              "invent\ncoeff =\n"
              "0.300000  -0.100000  \n"
              "rho =  0.750\n"
              "SEE =     3.500000\n"
              "\n"
              "     1.500000    -0.250000\n"
              "     0.000000     2.000000\n");
    freeMatrix(matrix);
}

TEST_F(CoefficientWriter, WrittenBlocksReadBack) {
    prepareEquations({{'s', 13}, {'\n', 0}, {'s', 4}, {'x', 4}});
    FloatMatrix big = allocMatrix(0, 12, 0, 12);
    for (int i = 0; i < 13; ++i)
        for (int k = 0; k < 13; ++k) big[i][k] = static_cast<float>(i * 13 + k) / 7.0f;
    FloatMatrix small = allocMatrix(0, 3, 0, 3);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) small[i][k] = i == k ? 0.125f : -0.5f;
    std::vector<float> first;
    for (int k = 0; k < 13; ++k) first.push_back(static_cast<float>(k) * 1.0625f - 3.0f);
    const std::vector<float> third{0.3f, -0.1f, 0.05f, -0.02f};
    const std::vector<float> fourth{10, 0.1f, 0.05f, 0.12f};

    FILE* out = std::fopen("heart.dat", "w");
    writeCoefficientBlock(out, "invest", 's', first.data(), 13, 0.6666f, 123.456789f, big);
    writeCoefficientBlock(out, "empty", '\n', nullptr, 0, 0, 0, FloatMatrix{});
    writeCoefficientBlock(out, "invent", 's', third.data(), 4, -0.25f, 3.0f, small);
    writeCoefficientBlock(out, "imports", 'x', fourth.data(), 4, 0, 0, FloatMatrix{});
    std::fclose(out);

    openCoefficientFile();
    CoefficientBlock block;
    readCoefficientBlock(0, block);
    EXPECT_EQ(block.name, "invest");
    for (int k = 0; k < 13; ++k) EXPECT_NEAR(block.values[k], first[k], 5e-7);
    EXPECT_EQ(block.rho, 0.667f);
    EXPECT_NEAR(block.see, 123.456789f, 5e-6);
    for (int i = 0; i < 13; ++i)
        for (int k = 0; k < 13; ++k) EXPECT_NEAR(block.matrix[i][k], big[i][k], 3e-6);
    readCoefficientBlock(1, block);
    EXPECT_EQ(block.name, "empty");
    EXPECT_TRUE(block.values.empty());
    EXPECT_FALSE(block.matrix);
    readCoefficientBlock(2, block);
    EXPECT_EQ(block.name, "invent");
    EXPECT_EQ(block.values, third);
    EXPECT_EQ(block.rho, -0.25f);
    EXPECT_EQ(block.matrix[2][3], -0.5f);
    EXPECT_EQ(block.matrix[3][3], 0.125f);
    readCoefficientBlock(3, block);
    EXPECT_EQ(block.name, "imports");
    EXPECT_EQ(block.values, fourth);
    freeMatrix(big);
    freeMatrix(small);
}

TEST_F(CoefficientWriter, ReportsAStreamThatCannotBeWritten) {
    FILE* readOnly = std::fopen("block.txt", "w+");
    std::fclose(readOnly);
    readOnly = std::fopen("block.txt", "r");
    const float value = 1.0f;
    EXPECT_EQ(writeCoefficientBlock(readOnly, "invest", 'x', &value, 1, 0, 0, FloatMatrix{}), -1);
    std::fclose(readOnly);
}

}  // namespace
