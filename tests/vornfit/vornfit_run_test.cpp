// vornfit end to end on copies of the example: the estimates against the
// coefficients that generated the example's history, a forecast with them,
// figures against an estimation package, the residual series, and refusals
// that leave every file as it was.
#include <dirent.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "support/harness.h"

namespace {

// Every file of a directory and its bytes.
std::map<std::string, std::string> snapshot(const std::string& directory) {
    std::map<std::string, std::string> files;
    DIR* dir = opendir(directory.c_str());
    while (const dirent* entry = dir ? readdir(dir) : nullptr)
        if (entry->d_name[0] != '.') files[entry->d_name] = readFile(directory + "/" + entry->d_name);
    if (dir) closedir(dir);
    return files;
}

// The number after the n-th (from 0) occurrence of "key": in a JSON text.
double jsonNumber(const std::string& json, const std::string& key, int n = 0) {
    size_t at = 0;
    for (int i = 0; i <= n && at != std::string::npos; ++i) at = json.find("\"" + key + "\": ", i ? at + 1 : 0);
    if (at == std::string::npos) return NAN;
    return std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

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
    FILE* in = rewoundCoefficientFile();
    CoefficientBlock block;
    for (int e = 0; e < 3; ++e) {
        readCoefficientBlock(in, e, block);
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

TEST_F(Vornfit, FiguresAgreeWithStatsmodels) {
    // statsmodels 0.13.5 on the example's history 1983.1 to 2000.4, computed once: OLS,
    // fit(cov_type='HAC', cov_kwds={'maxlags': L, 'use_correction': False}), llf, aic,
    // acorr_breusch_godfrey(nlags=4), jarque_bera; AR(1) errors from
    // GLSAR(rho=1).iterative_fit(maxiter=200, rtol=1e-12), the tests on OLS of its
    // wendog and wexog. Each equation's figures follow its "name" in the document.
    struct Figure {
        const char* key;
        int occurrence;  // within the equation
        double value;
    };
    struct Case {
        std::vector<std::string> options;
        int equation;
        double tolerance;  // relative; AR(1) estimates agree as far as rho has settled
        std::vector<Figure> figures;
    };
    const std::vector<Case> cases = {
        {{}, 0, 1e-9,
         {{"p", 0, 0.6132157145751747}, {"se_hac", 0, 48.26344673582307}, {"loglik", 0, -172.71792428548972},
          {"aic", 0, 371.43584857097943}, {"bic", 0, 401.03250811818816}, {"stat", 0, 18.01720939971543},
          {"p", 13, 0.0012245773598662708}, {"stat", 1, 6.613841641630849}, {"coef", 13, 0.20019068314673405},
          {"se", 13, 0.08991759074643009}}},
        {{}, 1, 1e-9, {{"stat", 0, 10.322677379973692}, {"stat", 1, 0.661647756529453}}},
        {{"--hac-lags", "5"}, 2, 1e-9, {{"se_hac", 1, 0.05813137234902286}, {"se_hac", 3, 0.027181917046869147}}},
        {{"--ar1"}, 0, 1e-6,
         {{"n", 0, 71}, {"rho", 0, 0.4515887031616313}, {"loglik", 0, -163.6696432297605},
          {"stat", 0, 7.319938020705717}, {"coef", 13, 0.1438612082437716}, {"se", 13, 0.13281202725950886}}},
        {{"--ar1"}, 2, 1e-6,
         {{"coef", 0, -45.20537151917384}, {"coef", 3, 0.119940696829469}, {"se", 2, 0.14237800053019437},
          {"rho", 0, 0.4692622336192111}, {"see", 0, 3.640384242144724}}},
    };
    const auto before = snapshot(scratch.path());
    for (const Case& c : cases) {
        std::vector<std::string> args{"bws", "--from", "1983.1", "--to", "2000.4", "--json"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ProgramResult fit = run(args);
        ASSERT_EQ(fit.exitCode, 0) << fit.err;
        const std::string name = "\"name\": \"eq" + std::to_string(c.equation) + "\"";
        const std::string equation = fit.out.substr(fit.out.find(name));
        for (const Figure& f : c.figures)
            EXPECT_NEAR(jsonNumber(equation, f.key, f.occurrence), f.value, c.tolerance * std::abs(f.value))
                << c.equation << " " << f.key << " " << f.occurrence;
    }
    EXPECT_EQ(snapshot(scratch.path()), before);  // without --out and --residuals nothing is written
}

TEST_F(Vornfit, ResidualsGoIntoTheBankAsOneChange) {
    ProgramResult fit = run({"bws", "--from", "1983.1", "--to", "2000.4", "--ar1", "--residuals", "--out", "ar1.dat"});
    ASSERT_EQ(fit.exitCode, 0) << fit.err;
    EXPECT_TRUE(fit.out.ends_with("\nWrote the fitted values and residuals of 3 equations into bws.\n"
                                  "Wrote 3 equations to ar1.dat.\n"));
    EXPECT_FALSE(fileExists(scratch.file("bws.bnk-journal")));
    // vorn draws the error as u_t = rho u_t-1 + sqrt(1 - rho^2) SEE z_t: the file's SEE is the
    // innovations' over sqrt(1 - rho^2), from statsmodels' GLSAR as in FiguresAgreeWithStatsmodels.
    const std::string written = readFile(scratch.file("ar1.dat"));
    EXPECT_NEAR(std::atof(written.c_str() + written.find("rho =") + 5), 0.4515887031616313, 1e-6);
    EXPECT_NEAR(std::atof(written.c_str() + written.find("SEE =") + 5), 3.0084400892633183, 1e-6);
    ProgramResult values = run({"export", "bws", "imports", "imports:fitted", "imports:resid", "--from", "1982.4",
                                "--to", "2001.1"}, VORNBANK_BINARY);
    ASSERT_EQ(values.exitCode, 0) << values.err;
    // The fitted values are x b, without the AR(1) part of the error: they and
    // the residuals add up to the series (to float rounding) over the sample.
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = values.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(values.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 1u + 74u);
    EXPECT_TRUE(lines[1].ends_with(",,")) << lines[1];
    EXPECT_TRUE(lines[74].ends_with(",,")) << lines[74];
    for (size_t row = 2; row < 74; ++row) {
        double series, fitted, residual;
        ASSERT_EQ(std::sscanf(lines[row].c_str(), "%*[^,],%lf,%lf,%lf", &series, &fitted, &residual), 3) << lines[row];
        EXPECT_NEAR(fitted + residual, series, 1e-4) << lines[row];
    }
    // A second run replaces the six series rather than adding more.
    const std::string index = readFile(scratch.file("bws.ind"));
    ASSERT_EQ(run({"bws", "--from", "1983.1", "--to", "2000.4", "--residuals"}).exitCode, 0);
    EXPECT_EQ(readFile(scratch.file("bws.ind")), index);
}

TEST_F(Vornfit, StatisticsThatAreNotDefinedPrintAsNA) {
    // Constant investment: an exact fit, with nothing for R-squared, t or the tests to measure.
    std::string flat = "date,invest\n";
    for (int q = 0; q < 84; ++q) flat += std::to_string(1980 + q / 4) + "." + std::to_string(q % 4 + 1) + ",250\n";
    writeFile(scratch.file("flat.csv"), flat);
    ASSERT_EQ(run({"import", "bws", "flat.csv"}, VORNBANK_BINARY).exitCode, 0);
    ProgramResult table = run({"bws", "--from", "1983.1", "--to", "2000.4"});
    ASSERT_EQ(table.exitCode, 0) << table.err;
    for (const char* line : {"\nc[0]  constant                250.000000    0.000000      n/a     n/a  250.000000",
                             "\nR-squared                          n/a    Mean dependent var        250.000000\n",
                             "\nDurbin-Watson stat                 n/a    Residual rho                0.000000\n",
                             "\nBreusch-Godfrey LM(4)              n/a    Prob. chi-squared(4)             n/a\n"})
        EXPECT_NE(table.out.find(line), std::string::npos) << line;
    ProgramResult json = run({"bws", "--from", "1983.1", "--to", "2000.4", "--json"});
    EXPECT_NE(json.out.find("\"t\": null, \"p\": null, \"ci95\": [2"), std::string::npos);
    EXPECT_NE(json.out.find("\"r2\": null,\n      \"r2_adj\": null,\n      \"dw\": null,\n      \"rho\": 0,"),
              std::string::npos);
    EXPECT_EQ(run({"bws", "--from", "1983.1", "--to", "2000.4", "--ar1"}).err,
              "vornfit: equation eq0 fits 1983.1 to 2000.4 exactly: it has no errors to estimate AR(1) errors from\n");
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
         "plain.fix does not hold a block for every equation of the dimension file (Found # when I was expecting "
         "Coeff before equation 1 for # (?) in plain.fix)"},
        {{"bws", from, "--to", "2000.4", "--names", "/dev/null"}, "",
         "/dev/null does not hold a block for every equation of the dimension file (/dev/null ends before "
         "equation 1)"},
        {{"bws", from, "--to", "2000.4", "--dim", "/dev/null"}, "", "/dev/null ends before the number of equations"},
        {{"bws", from, "--to", "2000.4", "--hac-lags", "-1"}, "", "--hac-lags -1 is not a whole number from 0 up"},
        {{"bws", from, "--to", "2000.4", "--hac-lags", "72"}, "",
         "--hac-lags 72 is not below the 72 observations of the regressions"},
        {{"bws", from, "--to", "2000.4", "--hac-lags=71", "--ar1"}, "",
         "--hac-lags 71 is not below the 71 observations of the regressions"},
        {{"bws", "--from", "1997.3", "--to", "2000.4", "--ar1"}, "",
         "equation eq0 has 13 coefficients, and with AR(1) errors the sample 1997.3 to 2000.4 keeps only 13 "
         "observations after the first; it needs at least 14"},
        {{"full", from, "--to", "2000.4", "--residuals"}, "",
         "the index of full has no room for the 6 series --residuals adds"},
        {{"bws", from, "--to", "2000.4", "--out", "missing/fit.dat"}, "",
         "cannot write missing/fit.dat: No such file or directory"},
        {{"bws", from, "--to", "2000.4", "--out", "bws.ind"}, "",
         "--out bws.ind is bws.ind, a file of the bank bws, which this command reads"},
        {{"bws", from, "--to", "2000.4", "--out", "link.dat"}, "",
         "--out link.dat is bws.bnk, a file of the bank bws, which this command reads"},
        {{"bws", "--to", "2000.4"}, "", "--from and --to are needed; vornfit --help shows how to use it", 2},
    };
    // A bank whose index has room for one more long name only.
    writeFile(scratch.file("full.csv"), "date," + std::string(65100, 'x') + "\n1983.1,1\n");
    for (const char* bank : {"flat", "full"}) {
        for (const char* ending : {".bnk", ".ind"})
            writeFile(scratch.file(bank + std::string(ending)), readFile(scratch.file(std::string("bws") + ending)));
        ASSERT_EQ(run({"import", bank, bank + std::string(".csv")}, VORNBANK_BINARY).exitCode, 0);
    }
    std::filesystem::create_symlink("bws.bnk", scratch.file("link.dat"));
    const std::string dim = readFile(scratch.file("heart.dim"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        writeFile(scratch.file("heart.dim"), c.dim.empty() ? dim : c.dim);
        const auto before = snapshot(scratch.path());
        ProgramResult result = run(c.args);
        EXPECT_EQ(result.exitCode, c.code);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "vornfit: " + c.message + "\n");
        EXPECT_EQ(snapshot(scratch.path()), before);
    }
    // A report that cannot be written to the standard output: heart.dat is not replaced.
    const std::string heart = readFile(scratch.file("heart.dat"));
    ProgramResult full = runProgram("/bin/sh", {"-c", "\"$0\" \"$@\" >/dev/full", VORNFIT_BINARY, "bws", from, "--to=2000.4", "--out=heart.dat"},
                                    scratch.path());
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "vornfit: cannot write the results to the standard output: No space left on device\n");
    EXPECT_EQ(readFile(scratch.file("heart.dat")), heart);
}

}  // namespace
