// The new coefficient file: its name, its layout, and reading it back with
// both heart.dat readers.
#include <cstdio>
#include <string>

#include "optimiser/coefficient_file.h"
#include "optimiser/spec_file.h"
#include "state/model_state.h"
#include "stochastic/coefficients.h"
#include "support/harness.h"

namespace {

const char* const kHeart =
    "fixinv   fixed investment, accelerator\n"
    "coeff = seven of them\n"
    "1.5 2.25 -3\n"
    "4 5 6 7.125\n"
    "inventory\n"
    "coeff\n"
    "0.1 0.2 0.3 0.4\n"
    "imports  import demand\n"
    "coeff\n"
    "10.5 -0.25\n"
    "rho of the errors = 0.4567\n"
    "standard error, SEE = 12.5\n"
    "draw matrix\n"
    "0.5 0\n"
    "0.125 0.25\n";

class CoefficientFile : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        model.equationCount = 3;
        model.declaredEquationCount = 3;
        model.coefCount = {7, 4, 2};
        model.equationKind = {'n', 'n', 's'};
        for (int16_t k : model.coefCount) model.coef.push_back(allocVector(0, k - 1));
        model.errorRho = allocVector(0, 2);
        model.errorSee = allocVector(0, 2);
        for (int e = 0; e < 3; ++e) model.errorRho[e] = model.errorSee[e] = 0.0f;
        model.maximize = 'n';
        model.specFileName = "opt1.spc";
        writeFile("heart.dat", kHeart);
        writeFile("opt1.spc", "s11\n5\n");
    }

    // Makes `file` the heart.dat of the next reading.
    void useAsHeart(const std::string& file) {
        std::fclose(model.coefficientStream);
        model.coefficientStream = nullptr;
        std::rename(file.c_str(), "heart.dat");
    }
};

TEST_F(CoefficientFile, NameIsTheStemOfTheSpecificationFile) {
    std::string name;
    ASSERT_TRUE(coefficientFileName("opt1.spc", name));
    EXPECT_EQ(name, "opt1.dat");
    ASSERT_TRUE(coefficientFileName("opt", name));
    EXPECT_EQ(name, "opt.dat");
    ASSERT_TRUE(coefficientFileName("opt2.m.spc", name));
    EXPECT_EQ(name, "opt2.dat");
    ASSERT_TRUE(coefficientFileName("../runs.2024/opt3.spc", name));
    EXPECT_EQ(name, "../runs.2024/opt3.dat");
    ASSERT_TRUE(coefficientFileName((std::string(30, 'a') + ".spc").c_str(), name));
    EXPECT_EQ(name, std::string(30, 'a') + ".dat");
    name = "unchanged";
    EXPECT_FALSE(coefficientFileName((std::string(31, 'a') + ".spc").c_str(), name));
    EXPECT_EQ(name, "unchanged");
}

TEST_F(CoefficientFile, StemOfMoreThan30CharactersFailsWithoutAMessage) {
    ConsoleCapture console;
    std::string spec = std::string(31, 'b') + ".spc";
    model.specFileName = spec.c_str();
    EXPECT_FALSE(writeOptimisedCoefficients());
    EXPECT_EQ(console.output(), "");
    EXPECT_FALSE(fileExists(std::string(31, 'b') + ".dat"));
}

TEST_F(CoefficientFile, HeartDatAndTheSpecificationAreNeverReplaced) {
    {
        ConsoleCapture console;
        writeFile("heart.spc", "s11\n5\n");
        model.specFileName = "heart.spc";
        EXPECT_FALSE(writeOptimisedCoefficients());
        EXPECT_EQ(console.output(),
                  "The new coefficient file heart.dat would replace heart.dat: give the specification "
                  "file another name.\n");
        EXPECT_EQ(readFile("heart.dat"), kHeart);
    }
    ConsoleCapture console;
    writeFile("maxspec.dat", "s11\n5\n");
    model.specFileName = "maxspec.dat";
    EXPECT_TRUE(replacesInputFile("maxspec.dat"));
    EXPECT_FALSE(writeOptimisedCoefficients());
    EXPECT_EQ(readFile("maxspec.dat"), "s11\n5\n");
    EXPECT_EQ(console.output(),
              "The new coefficient file maxspec.dat would replace maxspec.dat: give the "
                  "specification file another name.\n"
                  "The new coefficient file maxspec.dat would replace maxspec.dat: give the "
                  "specification file another name.\n");
    EXPECT_FALSE(replacesInputFile("other.dat"));
}

TEST_F(CoefficientFile, UncreatableFileIsReported) {
    ConsoleCapture console;
    model.specFileName = "missing-dir/opt.spc";
    EXPECT_FALSE(writeOptimisedCoefficients());
    EXPECT_EQ(console.output(), "Could not open missing-dir/opt.dat.\n");
}

TEST_F(CoefficientFile, LayoutHoldsTheCoefficientsInCoef) {
    ConsoleCapture console;
    ASSERT_TRUE(readOptimiserSpec());
    model.coef[0][6] = 8.5f;
    model.coef[2][1] = -0.75f;
    ASSERT_TRUE(writeOptimisedCoefficients());
    EXPECT_EQ(console.output(), "Coefficients for optimized model are in opt1.dat.\n");
    EXPECT_EQ(readFile("opt1.dat"),
              "fixinv\n"
              "coeff =\n"
              "1.500000  2.250000  -3.000000  \n"
              "4.000000  5.000000  6.000000  \n"
              "8.500000  \n"
              "inventory\n"
              "coeff =\n"
              "0.100000  0.200000  0.300000  \n"
              "0.400000  \n"
              "imports\n"
              "coeff =\n"
              "10.500000  -0.750000  \n"
              "rho =  0.457\n"
              "SEE =    12.500000\n"
              "\n"
              "     0.500000     0.000000\n"
              "     0.125000     0.250000\n");
}

TEST_F(CoefficientFile, WrittenFileReadsBackWithBothReaders) {
    ConsoleCapture console;
    ASSERT_TRUE(readOptimiserSpec());
    model.coef[0][0] = 1.234567f;
    model.coef[1][3] = -0.5f;
    ASSERT_TRUE(writeOptimisedCoefficients());
    useAsHeart("opt1.dat");
    for (int pass = 0; pass < 2; ++pass) {
        for (int e = 0; e < 3; ++e)
            for (int k = 0; k < model.coefCount[e]; ++k) model.coef[e][k] = 99.0f;
        model.errorRho[2] = model.errorSee[2] = 99.0f;
        model.equationNames.clear();
        if (pass == 0) {
            readCoefficients();
        } else {
            ASSERT_TRUE(readOptimiserSpec());
            EXPECT_EQ(model.equationNames, (std::vector<std::string>{"fixinv", "inventory", "imports"}));
        }
        EXPECT_EQ(model.coef[0][0], 1.234567f);
        EXPECT_EQ(model.coef[0][6], 7.125f);
        EXPECT_EQ(model.coef[1][3], -0.5f);
        EXPECT_EQ(model.coef[2][0], 10.5f);
        EXPECT_EQ(model.errorRho[2], 0.457f);
        EXPECT_EQ(model.errorSee[2], 12.5f);
    }
}

TEST_F(CoefficientFile, HeartDatIsReadWithNamesAndWithoutDraws) {
    ConsoleCapture console;
    model.randomCoefficients = 1;
    ASSERT_TRUE(readOptimiserSpec());
    EXPECT_EQ(model.equationNames, (std::vector<std::string>{"fixinv", "inventory", "imports"}));
    EXPECT_EQ(model.coef[0][6], 7.125f);
    EXPECT_EQ(model.coef[2][0], 10.5f);
    EXPECT_EQ(model.coef[2][1], -0.25f);
    EXPECT_EQ(model.errorRho[2], 0.4567f);
    EXPECT_EQ(model.errorSee[2], 12.5f);
    // The specification file is read only in an optimiser run.
    EXPECT_EQ(model.objectiveName, "");
    model.maximize = 'y';
    ASSERT_TRUE(readOptimiserSpec());
    EXPECT_EQ(model.objectiveName, "s11");
}

TEST_F(CoefficientFile, WrongKeywordEndsTheRun) {
    ConsoleCapture console;
    writeFile("heart.dat", "fixinv\nCoeff\n1 2 3 4 5 6 7\n");
    EXPECT_EQ(exitCodeOf([] { readOptimiserSpec(); }), 4);
    EXPECT_EQ(console.errors(),
              "\nFound Coeff when I was expecting  Coeff\nbefore equation 1 for fixinv (?) in heart.dat\n");
}

}  // namespace
