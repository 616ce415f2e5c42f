// heart.dim and heart.dat: layouts, refusals with their messages and exit
// codes, and blocks written then read back.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bank/bank_file.h"
#include "base/arrays.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "support/harness.h"

namespace {

using Equations = std::vector<std::pair<char, int16_t>>;  // kind, coefficient count

// Equation tables as readEquationDimensions and allocateWorkspace leave them.
void prepareEquations(const Equations& equations) {
    model.equationCount = model.declaredEquationCount = static_cast<int16_t>(equations.size());
    for (const auto& [kind, count] : equations) {
        model.equationKind.push_back(kind);
        model.coefCount.push_back(count);
    }
    ASSERT_EQ(allocateWorkspace().error, BankError::none);
}

std::vector<float> coefficientsOf(int e) {
    std::vector<float> values;
    for (int k = 0; k < model.coefCount[e]; ++k) values.push_back(model.coef[e][k]);
    return values;
}

// An n x n matrix from its values row by row.
FloatMatrix matrixOf(int n, const std::vector<float>& rowByRow) {
    FloatMatrix matrix = allocMatrix(0, n - 1, 0, n - 1);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) matrix[i][k] = rowByRow[static_cast<size_t>(i * n + k)];
    return matrix;
}

// Runs `body` expecting it to end the process; returns the code and the error text.
template <typename Body>
std::pair<int, std::string> refusal(Body body) {
    ConsoleCapture console;
    int code = exitCodeOf(body);
    return {code, console.errors()};
}

std::string zeroRows(int n) {
    std::string rows;
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < n; ++k) rows += k ? " 0" : "0";
        rows += "\n";
    }
    return rows;
}

const Equations kThreeKinds = {{'s', 13}, {'s', 4}, {'x', 4}};
const std::string kThreeEquations =
    "invest   investment, equation 0\n"
    "coeff =\n"
    "1.5 0.25 0.01\n"
    "0.02 0.03 0.04 0.05\n"
    "0.06 0.07 0.08 0.09 0.10\n"
    "0.11\n"
    "rho = 0.5\n"
    "SEE = 12.25\n"
    "draw matrix follows\n" +
    zeroRows(13) +
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
    struct Case {
        std::string text;
        int read, declared;
        std::vector<char> kinds;
        std::vector<int16_t> counts;
    };
    const Case cases[] = {
        {"3\ns13\ns4\nx4\n", 3, 3, {'s', 's', 'x'}, {13, 4, 4}},
        {"  2 equations\ns  13\nx 4  \n", 2, 2, {'s', 'x'}, {13, 4}},  // blanks and trailing text
        {"2\ns13" + std::string(15, ' ') + "\ns4\n", 2, 2, {'s', 's'}, {13, 4}},  // 18 characters
        {"3\ns13\ns4\n\n", 3, 3, {'s', 's', '\n'}, {13, 4, 0}},  // an empty line: no coefficients
        {"5\ns13", 1, 5, {'s', '\0', '\0', '\0', '\0'}, {13, 0, 0, 0, 0}},  // the declared tables stand
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        resetModelState();
        writeFile("heart.dim", c.text);
        EXPECT_EQ(readEquationDimensions(), c.read);
        EXPECT_EQ(model.declaredEquationCount, c.declared);
        EXPECT_EQ(model.equationKind, c.kinds);
        EXPECT_EQ(model.coefCount, c.counts);
    }
}

TEST_F(HeartDim, RefusalsEndWithThree) {
    const std::string count = "heart.dim: the number of equations is not a whole number from 0 to 32767\n";
    const std::string coefficients =
        "heart.dim: the coefficient count of equation 2 is not a whole number from 0 to 32767\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "heart.dim ends before the number of equations\n"},
        {"three\n", count}, {"-3\n", count}, {"40000\n", count}, {"\n", count},
        {"3\ns13\ns1x\n", coefficients}, {"3\ns13\ns-4\n", coefficients},
        {"3\ns13\ns 4 5\n", coefficients}, {"3\ns13\ns99999\n", coefficients},
        {"2\ns13\ns4\nx4\n", "heart.dim declares 2 equations but holds a line for equation 3\n"},
        {"2\ns13\ns4" + std::string(17, ' ') + "\n",  // 19 characters
         "heart.dim: the line of equation 2 is longer than 18 characters\n"},
        {"2 equations in the model\ns13\ns4\n", "heart.dim: its first line is longer than 18 characters\n"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        resetModelState();
        writeFile("heart.dim", text);
        EXPECT_EQ(refusal([] { readEquationDimensions(); }), std::make_pair(3, message));
    }
    std::remove("heart.dim");
    EXPECT_EQ(refusal([] { readEquationDimensions(); }),
              std::make_pair(3, std::string("Cannot open heart.dim\n")));
    std::filesystem::create_symlink("/dev/zero", "heart.dim");  // a file that never ends a line
    EXPECT_EQ(refusal([] { readEquationDimensions(); }),
              std::make_pair(3, std::string("heart.dim: its first line is longer than 18 characters\n")));
}

using HeartDat = ModelTest;

TEST_F(HeartDat, ReadsEveryBlockOfTheLayoutAgainOnEveryReading) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations(kThreeKinds);
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

    FILE* stream = model.coefficientStream;
    model.coef[2][0] = 99.0f;
    model.errorSee[1] = 0.0f;
    readCoefficients();
    EXPECT_EQ(model.coefficientStream, stream);  // opened once, rewound
    EXPECT_EQ(model.coef[2][0], 10.0f);
    EXPECT_EQ(model.errorSee[1], 3.0f);
}

TEST_F(HeartDat, Refusals) {
    const Equations ordinary = {{'x', 1}}, twoOrdinary = {{'x', 1}, {'x', 1}}, stochastic = {{'s', 2}},
                    thenOrdinary = {{'s', 2}, {'x', 1}};
    auto invalid = [](const std::string& field) {
        return "\nheart.dat: " + field + " of equation 1 for invest is not a valid number\n";
    };
    auto endsIn = [](const std::string& part) {
        return "\nheart.dat ends in the " + part + " of equation 1 for invest\n";
    };
    struct Case {
        const char* text;  // null: no heart.dat
        Equations equations;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {nullptr, ordinary, 3, "Cannot open heart.dat\n"},
        {"invest\ncoeff\n1\nimports line\nCoeff =\n2\n", twoOrdinary, 4,
         "\nFound Coeff when I was expecting  Coeff\nbefore equation 2 for imports (?) in heart.dat\n"},
        {"abcdefghijklmnopqrst\ncoeff\n1\n", ordinary, 4,
         "\nheart.dat: the name abcdefghijklmnopqrst of equation 1 is longer than 19 characters\n"},
        {"abcdefghijklmnopqrs\ncoefficientsfollowing\n1\n", ordinary, 4,
         "\nheart.dat: the keyword of equation 1 for abcdefghijklmnopqrs is longer than 19 characters\n"},
        {"invest\ncoeff\n1.5x 2\n", stochastic, 4, invalid("1.5x in the coefficients")},
        {"invest\ncoeff\nnan 2\n", stochastic, 4, invalid("nan in the coefficients")},
        {"invest\ncoeff\n1e999 2\n", stochastic, 4, invalid("1e999 in the coefficients")},
        {"invest\ncoeff\n1 2\nrho = high\n", stochastic, 4, invalid("high in the rho")},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 0x10\n", stochastic, 4, invalid("0x10 in the SEE")},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 1\n\n1 0\n0 one\n", stochastic, 4,
         invalid("one in the draw matrix")},
        {"invest\n", thenOrdinary, 4, endsIn("keyword")},
        {"invest\ncoeff\n1\n", thenOrdinary, 4, endsIn("coefficients")},
        {"invest\ncoeff\n1 2\n", thenOrdinary, 4, endsIn("rho")},
        {"invest\ncoeff\n1 2\nrho 0.5\nSEE 1\n", thenOrdinary, 4, endsIn("rho")},
        {"invest\ncoeff\n1 2\nrho = 0.5\n", thenOrdinary, 4, endsIn("SEE")},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 1\n\n1 0 0\n", thenOrdinary, 4, endsIn("draw matrix")},
        {"invest\ncoeff\n1 2\nrho = 0.5\nSEE = 1\n\n1 0\n0 1\n", thenOrdinary, 4,
         "\nheart.dat ends before equation 2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no file");
        resetModelState();
        if (c.text) writeFile("heart.dat", c.text);
        prepareEquations(c.equations);
        EXPECT_EQ(refusal([] { readCoefficients(); }), std::make_pair(c.code, c.message));
    }
}

// Files that never end a word or a line are not read on.
TEST_F(HeartDat, EndlessWordsAndLinesAreRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", "\nheart.dat: the name  of equation 1 is longer than 19 characters\n"},  // zero bytes
        {"", "\nheart.dat: more than 425972 characters without a line end in equation 1 for invest\n"},
    };
    for (const auto& [device, message] : cases) {
        resetModelState();
        std::remove("heart.dat");
        if (device.empty())
            writeFile("heart.dat", "invest " + std::string(13 * 32767 + 2, 'x'));
        else
            std::filesystem::create_symlink(device, "heart.dat");
        prepareEquations({{'x', 1}});
        EXPECT_EQ(refusal([] { readCoefficients(); }), std::make_pair(4, message)) << device;
    }
}

// The draw matrix of the first equation cannot be allocated.
TEST_F(HeartDat, NoMemoryEndsTheRun) {
    writeFile("heart.dat", kThreeEquations);
    prepareEquations(kThreeKinds);
    ConsoleCapture console;
    limitAllocations(0);
    const int code = exitCodeOf([] { readCoefficients(); });
    limitAllocations(-1);
    EXPECT_EQ(code, 4);
    EXPECT_EQ(console.output(), "Not enough space.\n");
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

TEST_F(CoefficientWriter, BlocksStandThreeValuesToALineWithRhoSeeAndTheMatrix) {
    EXPECT_EQ(writtenBlock("invest", 'x', {1, 2, 3, 4, 5, 6, 7.5f}, 0, 0, FloatMatrix{}),
              "invest\ncoeff =\n"
              "1.000000  2.000000  3.000000  \n"
              "4.000000  5.000000  6.000000  \n"
              "7.500000  \n");
    FloatMatrix matrix = matrixOf(2, {1.5f, -0.25f, 0.0f, 2.0f});
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
    std::vector<float> first, bigValues, smallValues;
    for (int k = 0; k < 13; ++k) first.push_back(static_cast<float>(k) * 1.0625f - 3.0f);
    for (int k = 0; k < 13 * 13; ++k) bigValues.push_back(static_cast<float>(k) / 7.0f);
    for (int k = 0; k < 16; ++k) smallValues.push_back(k % 5 == 0 ? 0.125f : -0.5f);  // 0.125 on the diagonal
    FloatMatrix big = matrixOf(13, bigValues), small = matrixOf(4, smallValues);
    const std::vector<float> third{0.3f, -0.1f, 0.05f, -0.02f};
    const std::vector<float> fourth{10, 0.1f, 0.05f, 0.12f};

    FILE* out = std::fopen("heart.dat", "w");
    writeCoefficientBlock(out, "invest", 's', first.data(), 13, 0.6666f, 123.456789f, big);
    writeCoefficientBlock(out, "empty", '\n', nullptr, 0, 0, 0, FloatMatrix{});
    writeCoefficientBlock(out, "invent", 's', third.data(), 4, -0.25f, 3.0f, small);
    writeCoefficientBlock(out, "imports", 'x', fourth.data(), 4, 0, 0, FloatMatrix{});
    std::fclose(out);

    FILE* in = rewoundCoefficientFile();
    CoefficientBlock block;
    readCoefficientBlock(in, 0, block);
    EXPECT_EQ(block.name, "invest");
    for (int k = 0; k < 13; ++k) EXPECT_NEAR(block.values[k], first[k], 5e-7);
    EXPECT_EQ(block.rho, 0.667f);
    EXPECT_NEAR(block.see, 123.456789f, 5e-6);
    for (int i = 0; i < 13; ++i)
        for (int k = 0; k < 13; ++k) EXPECT_NEAR(block.matrix[i][k], big[i][k], 3e-6);
    readCoefficientBlock(in, 1, block);
    EXPECT_EQ(block.name, "empty");
    EXPECT_TRUE(block.values.empty());
    EXPECT_FALSE(block.matrix);
    readCoefficientBlock(in, 2, block);
    EXPECT_EQ(block.name, "invent");
    EXPECT_EQ(block.values, third);
    EXPECT_EQ(block.rho, -0.25f);
    EXPECT_EQ(block.matrix[2][3], -0.5f);
    EXPECT_EQ(block.matrix[3][3], 0.125f);
    readCoefficientBlock(in, 3, block);
    EXPECT_EQ(block.name, "imports");
    EXPECT_EQ(block.values, fourth);
    freeMatrix(big);
    freeMatrix(small);
}

TEST_F(CoefficientWriter, ReportsAStreamThatCannotBeWritten) {
    writeFile("block.txt", "");
    FILE* readOnly = std::fopen("block.txt", "r");
    const float value = 1.0f;
    EXPECT_EQ(writeCoefficientBlock(readOnly, "invest", 'x', &value, 1, 0, 0, FloatMatrix{}), -1);
    std::fclose(readOnly);
}

}  // namespace
