// Optimiser runs of the built program on copies of the example working
// directory: the search, Changes.chg, the new coefficient file and the final
// run with the new coefficients.
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "e2e/bank_image.h"
#include "support/harness.h"

namespace {

constexpr int kForecastEnd = 103;  // 2005.4 in a bank that begins in 1980.1

class OptimiserRun : public ::testing::Test {
protected:
    void SetUp() override { copyExampleWorkdir(scratch.path()); }

    ProgramResult vorn(const std::string& spec, const std::string& input = "k") {
        return runProgram(VORN_BINARY, {"2000.4", "2005.4", "plain.fix", "m", spec}, scratch.path(), input);
    }

    // A run with the specification `text` that fails after `messages`: exit code 3, no report.
    ProgramResult refused(const std::string& spec, const std::string& text, const std::string& messages) {
        writeFile(scratch.file(spec), text);
        ProgramResult run = vorn(spec, "");
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.out.ends_with(messages + "An error occured during maximization.\n")) << run.out;
        EXPECT_FALSE(fileExists(scratch.file("Changes.chg")));
        return run;
    }

    ScratchDir scratch;
};

// The lowest value of the last progress line: the optimum the search returned.
std::string lastOptimum(const std::string& out) {
    std::regex line(R"((Initial|Reflect|Expand|Contract|Shrink): {5,} *(-?[0-9]+\.[0-9]{7})\t)");
    std::string found;
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) found = (*it)[2];
    return found;
}

TEST_F(OptimiserRun, ExampleSpecificationFindsTheMinimumAndSolvesWithIt) {
    const std::string heart = readFile(scratch.file("heart.dat"));
    ProgramResult run = vorn("opt.spec");
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");

    // Changes.chg: an empty line, the number of runs, the header, the parameter.
    std::string changes = readFile(scratch.file("Changes.chg"));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(changes, m,
                                 std::regex("\nResulting coeficients after maximization \\(([0-9]+) runs\\)\\.\n"
                                            "Variable\tOld:\t\t\tNew:\n"
                                            "invest\t\t  0\\.9000\t\t  (0\\.[0-9]{4})\n")))
        << changes;
    EXPECT_GE(std::stoi(m[1]), 3);
    const double best = std::stod(m[2]);
    EXPECT_GT(best, 0.4);
    EXPECT_LT(best, 0.6);
    EXPECT_NE(run.out.find(changes + "\nThis information is in the file Changes.chg.\n"
                                     "Coefficients for optimized model are in opt.dat.\n"
                                     "\nPress any key to run the model with the new coefficients.\n"
                                     "\n\nLoading data\nData loaded; starting forecast\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(run.out.ends_with("\nRun complete.\nWriting variables to bank.")) << run.out;

    // The new coefficient file in heart.dat's layout, with only the parameter changed.
    std::string written = readFile(scratch.file("opt.dat"));
    std::regex investBlock(
        "^invest\ncoeff =\n20\\.000000  (0\\.[0-9]{6})  0\\.060000  \n0\\.050000  0\\.040000  0\\.030000  \n");
    ASSERT_TRUE(std::regex_search(written, m, investBlock)) << written;
    EXPECT_NEAR(std::stod(m[1]), best, 0.00006);
    EXPECT_NE(written.find("0.005000  \nrho =  0.500\nSEE =     3.000000\n\n     2.000000     0.000000"),
              std::string::npos);
    EXPECT_NE(written.find("\ninventory\ncoeff =\n0.100000  0.050000  0.030000  \n0.020000  \n"
                           "rho =  0.300\nSEE =     2.000000\n\n     0.010000     0.000000"),
              std::string::npos);
    EXPECT_TRUE(written.ends_with("     0.000000     0.000000     0.000000     0.010000\n"));
    EXPECT_EQ(readFile(scratch.file("heart.dat")), heart);

    // The final run solved with the new coefficients: the objective in the bank is the optimum.
    BankImage bank(scratch.file("bws"));
    char solved[32];
    std::snprintf(solved, sizeof solved, "%.7f", static_cast<double>(bank.value("sales_change", kForecastEnd)));
    EXPECT_EQ(solved, lastOptimum(run.out));
}

TEST_F(OptimiserRun, TheOptimumIsLowerThanThePlainForecast) {
    ProgramResult optimised = vorn("opt.spec");
    ASSERT_EQ(optimised.exitCode, 0) << optimised.out;
    float optimum = BankImage(scratch.file("bws")).value("sales_change", kForecastEnd);

    ScratchDir plainDir;
    copyExampleWorkdir(plainDir.path());
    ProgramResult plain = runProgram(VORN_BINARY, {"2000.4", "2005.4", "plain.fix"}, plainDir.path());
    ASSERT_EQ(plain.exitCode, 0) << plain.out;
    float forecast = BankImage(plainDir.file("bws")).value("sales_change", kForecastEnd);
    EXPECT_LT(optimum, forecast);
    // The plain forecast is the first vertex of the first search.
    char base[32];
    std::snprintf(base, sizeof base, "%.7f", static_cast<double>(forecast));
    EXPECT_NE(optimised.out.find("Initial:     "), std::string::npos);
    EXPECT_NE(optimised.out.find(base), std::string::npos) << base;
}

TEST_F(OptimiserRun, ZeroParametersEndWithTheTwoMessages) {
    refused("none.spec", "sales_change\n5\n# nothing is varied\n",
            "\n\nLoading time series data.\nTime series data loaded. Load coefficients.\n"
            "There was no significant change in the objective function.\n"
            "Revise the step size and/or the objective function.\n");
    EXPECT_FALSE(fileExists(scratch.file("none.dat")));
}

TEST_F(OptimiserRun, SpecificationNamedLikeItsCoefficientFileIsRefusedBeforeTheSearch) {
    const std::string spec = readFile(scratch.file("opt.spec"));
    ProgramResult run = refused("maxspec.dat", spec,
                                "The new coefficient file maxspec.dat would replace maxspec.dat: give the "
                                "specification file another name.\n");
    EXPECT_EQ(run.out.find("Starting or restarting maximization"), std::string::npos);
    EXPECT_EQ(readFile(scratch.file("maxspec.dat")), spec);
}

TEST_F(OptimiserRun, UnknownObjectiveIsRefused) {
    refused("gdp.spec", "gdp\n5\ninvest\n0 0.05\n",
            "\nCannot find gdp"
            "This model does not have a variable named gdp,\n"
            "the name you gave in the OptSpec file as the variable to be optimized.\n");
}

}  // namespace
