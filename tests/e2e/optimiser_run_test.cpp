// Optimiser runs of the built program on copies of the example working
// directory: the search, Changes.chg, the new coefficient file and the final
// run with the new coefficients.
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "support/bank_files.h"
#include "support/harness.h"

namespace {

constexpr int kForecastEnd = 103;  // 2005.4 in a bank that begins in 1980.1

class OptimiserRun : public ::testing::Test {
protected:
    void SetUp() override { copyExampleWorkdir(scratch.path()); }

    ProgramResult vorn(const std::string& spec, const std::string& input = "k") {
        return runProgram(VORN_BINARY, {"2000.4", "2005.4", "plain.fix", "m", spec}, scratch.path(), input);
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

// The objective in the bank's last forecast period, and as the progress lines print it.
float bankObjective(const std::string& dir) {
    return BankImage(dir + "/bws").value("sales_change", kForecastEnd);
}
std::string printed(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", static_cast<double>(value));
    return text;
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
    EXPECT_TRUE(run.out.ends_with("\nRun complete.\nWriting variables to bank.\n")) << run.out;

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
    const float optimum = bankObjective(scratch.path());
    EXPECT_EQ(printed(optimum), lastOptimum(run.out));

    // It is lower than the plain forecast, which is the first vertex of the first search.
    ScratchDir plainDir;
    copyExampleWorkdir(plainDir.path());
    ProgramResult plain = runProgram(VORN_BINARY, {"2000.4", "2005.4", "plain.fix"}, plainDir.path());
    ASSERT_EQ(plain.exitCode, 0) << plain.out;
    const float forecast = bankObjective(plainDir.path());
    EXPECT_LT(optimum, forecast);
    EXPECT_NE(run.out.find("Initial:     "), std::string::npos);
    EXPECT_NE(run.out.find(printed(forecast)), std::string::npos) << printed(forecast);
}

// Specifications refused before any search: exit code 3 after the messages, no report, no new file;
// a specification refused only after the fixer has written leaves the bank as it was.
TEST_F(OptimiserRun, RefusedSpecificationsEndTheRun) {
    const std::string exampleSpec = readFile(scratch.file("opt.spec"));
    const std::string loading = "\n\nLoading time series data.\nTime series data loaded. Load coefficients.\n";
    const std::string restored = "\nbws.bnk and bws.ind are left as they were.\n";
    struct Case {
        std::string spec, text, messages, after;
    };
    const Case cases[] = {
        {"none.spec", "sales_change\n5\n# nothing is varied\n",
         loading + "There was no significant change in the objective function.\n"
                   "Revise the step size and/or the objective function.\n",
         restored},
        {"maxspec.dat", exampleSpec,
         "The new coefficient file maxspec.dat would replace maxspec.dat: give the specification file "
         "another name.\n",
         ""},
        {"gdp.spec", "gdp\n5\ninvest\n0 0.05\n",
         "\nCannot find gdp\n"
         "This model does not have a variable named gdp,\n"
         "the name you gave in the OptSpec file as the variable to be optimized.\n",
         restored},
    };
    const std::string before = readFile(scratch.file("bws.bnk"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        writeFile(scratch.file(c.spec), c.text);
        ProgramResult run = vorn(c.spec, "");
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.out.ends_with(c.messages + "An error occured during maximization.\n" + c.after)) << run.out;
        EXPECT_EQ(readFile(scratch.file("bws.bnk")), before);
        EXPECT_EQ(run.out.find("Starting or restarting maximization"), std::string::npos);
        EXPECT_FALSE(fileExists(scratch.file("Changes.chg")));
        EXPECT_EQ(readFile(scratch.file(c.spec)), c.text);
        const std::string coefficients = c.spec.substr(0, c.spec.find('.')) + ".dat";
        if (coefficients != c.spec) {
            EXPECT_FALSE(fileExists(scratch.file(coefficients)));
        }
    }
}

}  // namespace
