// The new coefficient file: its name, its layout, and reading it back with
// both heart.dat readers.
#include <cstdio>
#include <string>
#include <utility>

#include "optimiser/coefficient_file.h"
#include "optimiser/spec_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
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

const std::vector<std::string> kNames = {"fixinv", "inventory", "imports"};

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
        model.maximize = false;
        model.specFileName = "opt1.spc";
        writeFile("heart.dat", kHeart);
        writeFile("opt1.spc", "s11\n5\n");
    }
};

TEST_F(CoefficientFile, NameIsTheStemOfTheSpecificationFile) {
    const std::pair<std::string, std::string> names[] = {
        {"opt1.spc", "opt1.dat"},
        {"opt", "opt.dat"},
        {"opt2.m.spc", "opt2.dat"},
        {"../runs.2024/opt3.spc", "../runs.2024/opt3.dat"},
        {std::string(30, 'a') + ".spc", std::string(30, 'a') + ".dat"},
        {std::string(31, 'a') + ".spc", ""},  // too long a stem: no name
    };
    for (const auto& [spec, expected] : names) {
        std::string name = "unchanged";
        EXPECT_EQ(coefficientFileName(spec.c_str(), name), !expected.empty()) << spec;
        EXPECT_EQ(name, expected.empty() ? "unchanged" : expected);
    }
}

TEST_F(CoefficientFile, UnusableNamesAreRefusedAndNoInputIsReplaced) {
    const std::pair<std::string, std::string> refused[] = {
        {std::string(31, 'b') + ".spc", ""},  // a stem of more than 30 characters: no message
        {"heart.spc", "The new coefficient file heart.dat would replace heart.dat: give the specification "
                      "file another name.\n"},
        {"maxspec.dat", "The new coefficient file maxspec.dat would replace maxspec.dat: give the "
                        "specification file another name.\n"},
        {"missing-dir/opt.spc", "Could not open missing-dir/opt.dat.\n"},
    };
    writeFile("maxspec.dat", "s11\n5\n");
    for (const auto& [spec, message] : refused) {
        SCOPED_TRACE(spec);
        ConsoleCapture console;
        model.specFileName = spec.c_str();
        EXPECT_FALSE(writeOptimisedCoefficients());
        EXPECT_EQ(console.output(), message);
    }
    ConsoleCapture console;
    model.specFileName = "maxspec.dat";
    EXPECT_TRUE(replacesInputFile("maxspec.dat"));
    EXPECT_FALSE(replacesInputFile("other.dat"));
    EXPECT_EQ(console.output(), refused[2].second);
    EXPECT_FALSE(fileExists(std::string(31, 'b') + ".dat"));
    EXPECT_EQ(readFile("heart.dat"), kHeart);
    EXPECT_EQ(readFile("maxspec.dat"), "s11\n5\n");
}

TEST_F(CoefficientFile, HeartDatIsReadWithoutDrawsAndWrittenInItsLayout) {
    ConsoleCapture console;
    model.randomCoefficients = 1;
    ASSERT_TRUE(readOptimiserSpec());
    EXPECT_EQ(model.equationNames, kNames);
    EXPECT_EQ(model.coef[0][6], 7.125f);
    EXPECT_EQ(model.coef[2][0], 10.5f);
    EXPECT_EQ(model.coef[2][1], -0.25f);
    EXPECT_EQ(model.errorRho[2], 0.4567f);
    EXPECT_EQ(model.errorSee[2], 12.5f);
    // The specification file is read only in an optimiser run.
    EXPECT_EQ(model.objectiveName, "");
    model.maximize = true;
    ASSERT_TRUE(readOptimiserSpec());
    EXPECT_EQ(model.objectiveName, "s11");

    model.coef[0][6] = 8.5f;
    model.coef[2][1] = -0.75f;
    ASSERT_TRUE(writeOptimisedCoefficients());
    EXPECT_EQ(console.output(), "Coefficients for optimized model are in opt1.dat.\n");
    EXPECT_EQ(readFile("opt1.dat"),
              "fixinv\ncoeff =\n"
              "1.500000  2.250000  -3.000000  \n"
              "4.000000  5.000000  6.000000  \n"
              "8.500000  \n"
              "inventory\ncoeff =\n"
              "0.100000  0.200000  0.300000  \n"
              "0.400000  \n"
              "imports\ncoeff =\n"
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
    std::fclose(model.coefficientStream);
    model.coefficientStream = nullptr;
    std::rename("opt1.dat", "heart.dat");
    for (bool optimiserReader : {false, true}) {
        SCOPED_TRACE(optimiserReader);
        for (int e = 0; e < 3; ++e)
            for (int k = 0; k < model.coefCount[e]; ++k) model.coef[e][k] = 99.0f;
        model.errorRho[2] = model.errorSee[2] = 99.0f;
        model.equationNames.clear();
        if (optimiserReader) {
            ASSERT_TRUE(readOptimiserSpec());
            EXPECT_EQ(model.equationNames, kNames);
        } else {
            readCoefficients();
        }
        EXPECT_EQ(model.coef[0][0], 1.234567f);
        EXPECT_EQ(model.coef[0][6], 7.125f);
        EXPECT_EQ(model.coef[1][3], -0.5f);
        EXPECT_EQ(model.coef[2][0], 10.5f);
        EXPECT_EQ(model.errorRho[2], 0.457f);
        EXPECT_EQ(model.errorSee[2], 12.5f);
    }
}

TEST_F(CoefficientFile, WrongKeywordEndsTheRun) {
    ConsoleCapture console;
    writeFile("heart.dat", "fixinv\nCoeff\n1 2 3 4 5 6 7\n");
    EXPECT_EQ(exitCodeOf([] { readOptimiserSpec(); }), 4);
    EXPECT_EQ(console.errors(),
              "\nFound Coeff when I was expecting  Coeff\nbefore equation 1 for fixinv (?) in heart.dat\n");
}

}  // namespace
