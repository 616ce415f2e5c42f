// The README's "Your own data" section, run as written: every ```sh block of
// it, in order, in one shell, on a small quarterly CSV made here.
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "support/bank_files.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

// 48 quarters from 2001-01-01, ISO dates. Kinds by series: x exogenous level, r exogenous rate,
// l and c the model's levels and constants, which end with 2009; levels grow 0.6% a quarter.
std::string ownCsv() {
    const std::string kind = "cxlcllllxxlcclllllrrlrllrlxllrlrlrll";
    const double start[36] = {0,    1,    1700, 10,  250, 5000, 250, 1010, 400, 300, 1960, 12,
                              5,    255,  255,  266, 266, 1700, 0.16, 0.85, 1445, 0.1, 170, 1275,
                              0.2,  255,  150,  150, 1170, 0.08, 94, 0.05, 58, 0.02, 23, 995};
    std::string csv = "date,unused,price,gdp_real,gdp_change,invest,capital,deprec,consum,govt,exports,final_sales,"
                      "sales_change,inventory,invest_total,invest_nom,imports,imports_nom,gdp_nom,import_share,"
                      "factor_share,factor_inc,capcons_share,capcons,net_income,btax_rate,btax,transfers,"
                      "transfers_nom,pers_income,ptax_rate,ptax,saving_rate,saving,interest_rate,interest,consum_nom";
    for (int n = 0; n < 48; ++n) {
        char cell[32];
        std::snprintf(cell, sizeof cell, "\n%d-%02d-01", 2001 + n / 4, n % 4 * 3 + 1);
        csv += cell;
        for (int s = 0; s < 36; ++s) {
            bool known = n < 36 || kind[s] == 'x' || kind[s] == 'r';
            double growth = kind[s] == 'x' || kind[s] == 'l' ? std::pow(1.006, n) : 1;
            std::snprintf(cell, sizeof cell, ",%.3f", start[s] * growth);
            csv += known ? cell : ",";
        }
    }
    return csv + "\n";
}

std::string readmeSteps() {
    std::istringstream readme(readFile(std::string(EXAMPLE_DIR) + "/../README.md"));
    std::string script;
    bool inSection = false, inBlock = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("## ", 0) == 0) inSection = line == "## Your own data";
        if (inSection && line.rfind("```", 0) == 0)
            inBlock = !inBlock && line == "```sh";
        else if (inSection && inBlock)
            script += line + "\n";
    }
    return script;
}

std::map<std::string, std::string> filesMade(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const char* dir : {"/mywork", "/handmade"})
        for (const fs::directory_entry& entry : fs::directory_iterator(root + dir))
            files[std::string(dir) + "/" + entry.path().filename().string()] = readFile(entry.path().string());
    return files;
}

// Following the steps twice gives the same bytes in every file: the seeded stochastic run included.
TEST(OwnData, TheReadmeStepsRunAndGiveTheSameBytesTwice) {
    ScratchDir scratch;
    fs::create_directory_symlink(BUILD_DIR, scratch.file("build"));
    fs::create_directory_symlink(EXAMPLE_DIR, scratch.file("example"));
    writeFile(scratch.file("mydata.csv"), ownCsv());
    writeFile(scratch.file("steps.sh"), readmeSteps());
    ProgramResult first = runProgram("/bin/sh", {"-e", "steps.sh"}, scratch.path());
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    EXPECT_EQ(first.err, "");
    EXPECT_NE(first.out.find("made mywork: run vorn there\n"), std::string::npos);
    std::map<std::string, std::string> files = filesMade(scratch.path());
    ProgramResult again = runProgram("/bin/sh", {"-e", "steps.sh"}, scratch.path());
    EXPECT_EQ(again.out, first.out);
    EXPECT_EQ(filesMade(scratch.path()), files);

    std::string names;  // no journal or partial file stays behind
    for (const auto& file : files) names += file.first + " ";
    EXPECT_EQ(names, "/handmade/bws.bnk /handmade/bws.ind /handmade/heart.dat /handmade/heart.dim /handmade/vorn.cfg "
                     "/handmade/vorn.lag /mywork/bws.bnk /mywork/bws.ind /mywork/forecast.csv /mywork/forecast.fix "
                     "/mywork/heart.dat /mywork/heart.dim /mywork/rhelp.1 /mywork/rhelp.2 /mywork/rhelp.3 "
                     "/mywork/rhelp.4 /mywork/rhelp.5 /mywork/rhelp.hlp /mywork/sigma.bnk /mywork/sigma.ind /mywork/uncertainty.csv "
                     "/mywork/vorn.cfg /mywork/vorn.lag ");
    std::string lags = le16(36) + std::string("\0\0\1\x0b\4\1\0\0\0\0\1\4", 12) + std::string(24, '\0');
    EXPECT_EQ(files["/mywork/vorn.lag"], lags);
    EXPECT_EQ(files["/handmade/vorn.lag"], lags);
    EXPECT_EQ(files["/mywork/bws.bnk"].substr(0, 6), le16(2001) + le16(1) + le16(48));
    // Twelve solved quarters 2010-2012 dated as ISO days; twelve positive standard deviations.
    EXPECT_TRUE(std::regex_match(files["/mywork/forecast.csv"],
                                 std::regex("date,gdp_real,consum,invest\n(\\d{4}-\\d\\d-01(,[0-9.]+){3}\n){12}")))
        << files["/mywork/forecast.csv"];
    EXPECT_NE(files["/mywork/forecast.csv"].find("invest\n2010-01-01,"), std::string::npos);
    EXPECT_NE(files["/mywork/forecast.csv"].find("\n2012-10-01,"), std::string::npos);
    EXPECT_TRUE(std::regex_match(files["/mywork/uncertainty.csv"],
                                 std::regex("date,gdp_real,consum\n(201[0-2]\\.[1-4](,[0-9]*[1-9][0-9.]*){2}\n){12}")))
        << files["/mywork/uncertainty.csv"];
}

}  // namespace
