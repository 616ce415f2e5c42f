// vornfit end to end on copies of the example: the estimates against the
// coefficients that generated the example's history, a forecast with them,
// and refusals that leave every file as it was.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "state/model_state.h"
#include "stochastic/coefficients.h"
#include "support/harness.h"

namespace {

class Vornfit : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        copyExampleWorkdir(scratch.path());
    }
    ProgramResult run(const std::vector<std::string>& args, const std::string& program = VORNFIT_BINARY) {
        return runProgram(program, args, scratch.path());
    }
};

TEST_F(Vornfit, RecoversTheExamplesCoefficientsAndWritesAFileVornSolvesWith) {
    ProgramResult fit = run({"bws", "--from", "1983Q1", "--to", "2000.4", "--names", "heart.dat", "--out", "fit.dat"});
    ASSERT_EQ(fit.exitCode, 0) << fit.err;
    EXPECT_EQ(fit.err, "");
    EXPECT_EQ(fit.out.rfind("Equation invest (stochastic)\nDependent variable: invest s4\nMethod: least squares\n"
                            "Sample: 1983.1 to 2000.4\nIncluded observations: 72\n",
                            0),
              0u);
    EXPECT_NE(fit.out.find("\nc[2]  gdp_change(-1) s3 "), std::string::npos);
    EXPECT_NE(fit.out.find("\nR-squared (uncentred) "), std::string::npos);  // inventories have no constant
    EXPECT_TRUE(fit.out.ends_with("\nWrote 3 equations to fit.dat.\n"));

    // The history was generated with these coefficients, rho and SEE. The standard
    // errors are the lengths of the draw matrix's rows.
    const std::vector<std::vector<double>> truth = {
        {20, 0.9, 0.06, 0.05, 0.04, 0.03, 0.02, 0.015, 0.01, 0.01, 0.005, 0.005, 0.005},
        {0.1, 0.05, 0.03, 0.02},
        {2, 0.16, 0.15, 0.16}};
    const double trueSee[] = {3, 2, 4}, trueRho[] = {0.5, 0.3, 0.4};
    std::rename("fit.dat", "heart.dat");
    model.equationCount = readEquationDimensions();
    openCoefficientFile();
    CoefficientBlock block;
    for (int e = 0; e < 3; ++e) {
        readCoefficientBlock(e, block);
        for (int k = 0; k < model.coefCount[e]; ++k) {
            double variance = 0;
            for (int j = 0; j <= k; ++j) variance += block.matrix[k][j] * block.matrix[k][j];
            EXPECT_LE(std::abs(block.values[k] - truth[e][k]), 2 * std::sqrt(variance)) << e << " " << k;
        }
        EXPECT_NEAR(block.see, trueSee[e], 0.2 * trueSee[e]) << e;
        EXPECT_NEAR(block.rho, trueRho[e], 0.15) << e;
    }

    // A stochastic forecast from the estimates.
    ProgramResult forecast = run({"2000.4", "2002.4", "plain.fix", "20", "1", "1", "7"}, VORN_BINARY);
    EXPECT_EQ(forecast.exitCode, 0) << forecast.out;
}

TEST_F(Vornfit, RefusalsLeaveEveryFileAsItWas) {
    // A bank whose government purchases are flat, like the constant term.
    std::string flat = "date,govt\n";
    for (int q = 0; q < 72; ++q) flat += std::to_string(1983 + q / 4) + "." + std::to_string(q % 4 + 1) + ",500\n";
    writeFile(scratch.file("flat.csv"), flat);
    struct Case {
        std::vector<std::string> args;
        std::string dim;  // heart.dim's text, when not the example's
        std::string message;  // the error stream's text after "vornfit: "
        int code = 1;
        std::string before = "";  // what the coefficient reader says first
    };
    const std::string from = "--from=1983.1";
    const std::vector<Case> cases = {
        {{"bws", "--from", "1980.2", "--to", "2000.4"}, "",
         "equation eq0 reads series 3 (gdp_change) 11 periods back, so its sample cannot start before 1982.4 "
         "(the bank starts at 1980.1)"},
        {{"bws", from, "--to", "2010.1"}, "", "--to 2010.1 lies outside the bank, which holds 1980.1 to 2009.4"},
        {{"bws", from, "--to", "2001.1"}, "", "series 4 (invest) has no value at 2001.1, which equation eq0 reads"},
        {{"bws", "--from", "1990.1", "--to", "1990Q4"}, "",
         "equation eq0 has 13 coefficients but the sample 1990.1 to 1990.4 holds only 4 observations; it needs at "
         "least 14"},
        {{"bws", from, "--to", "1982.4"}, "", "--from 1983.1 comes after --to 1982.4"},
        {{"flat", from, "--to", "2000.4"}, "",
         "the regressors of equation eq2 are linearly dependent (singular or numerically singular) over 1983.1 to "
         "2000.4"},
        {{"bws", from, "--to", "2000.4"}, "2\ns13\ns4\n", "heart.dim describes 2 equations, but the model has 3 regressions"},
        {{"bws", from, "--to", "2000.4"}, "3\ns13\ns4\ns5\n",
         "equation 3 of the model has 4 coefficients, but heart.dim gives it 5"},
        {{"bws", from, "--to", "2000.4", "--names", "plain.fix"}, "",
         "plain.fix does not hold a block for every equation of the dimension file", 1,
         "\nFound # when I was expecting  Coeff\nbefore equation 1 for # (?) in heart.dat\n"},
        {{"bws", from, "--to", "2000.4", "--out", "missing/fit.dat"}, "",
         "cannot write missing/fit.dat: No such file or directory"},
        {{"bws", from, "--to", "2000.4", "--out", "bws.ind"}, "",
         "--out bws.ind is bws.ind, a file of the bank bws, which this command reads"},
        {{"bws", from, "--to", "2000.4", "--out", "link.dat"}, "",
         "--out link.dat is bws.bnk, a file of the bank bws, which this command reads"},
        {{"bws", "--to", "2000.4"}, "", "--from and --to are needed; vornfit --help shows how to use it", 2},
    };
    std::filesystem::create_symlink("bws.bnk", scratch.file("link.dat"));
    for (const char* file : {"flat.bnk", "flat.ind"})
        writeFile(scratch.file(file), readFile(scratch.file(std::string("bws") + (file + 4))));
    ASSERT_EQ(run({"import", "flat", "flat.csv"}, VORNBANK_BINARY).exitCode, 0);
    const std::string dim = readFile(scratch.file("heart.dim"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        writeFile(scratch.file("heart.dim"), c.dim.empty() ? dim : c.dim);
        const std::string heart = readFile(scratch.file("heart.dat"));
        const std::string bank = readFile(scratch.file("bws.bnk"));
        const std::string index = readFile(scratch.file("bws.ind"));
        ProgramResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.code);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.before + "vornfit: " + c.message + "\n");
        EXPECT_EQ(readFile(scratch.file("heart.dat")), heart);
        EXPECT_EQ(readFile(scratch.file("bws.bnk")), bank);
        EXPECT_EQ(readFile(scratch.file("bws.ind")), index);
    }
    // A report that cannot be written to the standard output: heart.dat is not replaced.
    const std::string heart = readFile(scratch.file("heart.dat"));
    ProgramResult full = runProgram("/bin/sh", {"-c", "\"$0\" \"$@\" >/dev/full", VORNFIT_BINARY, "bws", from, "--to=2000.4"},
                                    scratch.path());
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "vornfit: cannot write the results to the standard output: No space left on device\n");
    EXPECT_EQ(readFile(scratch.file("heart.dat")), heart);
}

}  // namespace
