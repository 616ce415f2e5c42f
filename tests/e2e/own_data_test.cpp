// The README's "Your own data" section, run as written: every ```sh block of
// it, in order, in one shell, on a small quarterly CSV made here.
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "support/bank_files.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

// 48 quarters from 2001-01-01 with ISO dates: levels grow 0.6% a quarter, shares and rates stay;
// the model's own series end with 2009, the exogenous ones run to the end.
std::string ownCsv() {
    const char* names = "unused,price,gdp_real,gdp_change,invest,capital,deprec,consum,govt,exports,final_sales,"
                        "sales_change,inventory,invest_total,invest_nom,imports,imports_nom,gdp_nom,import_share,"
                        "factor_share,factor_inc,capcons_share,capcons,net_income,btax_rate,btax,transfers,"
                        "transfers_nom,pers_income,ptax_rate,ptax,saving_rate,saving,interest_rate,interest,"
                        "consum_nom";
    const double start[36] = {0,   1,    1700, 10,  250,  5000, 250, 1010, 400,  300,  1960, 12,
                              5,   255,  255,  266, 266,  1700, 0.16, 0.85, 1445, 0.1,  170,  1275,
                              0.2, 255,  150,  150, 1170, 0.08, 94,  0.05, 58,   0.02, 23,   995};
    const std::string exogenous = "1 8 9 18 19 21 24 26 29 31 33";
    const std::string constant = "0 3 11 12 18 19 21 24 29 31 33";
    auto listed = [](const std::string& list, int s) {
        std::istringstream words(list);
        for (int w; words >> w;)
            if (w == s) return true;
        return false;
    };
    std::string csv = std::string("date,") + names + "\n";
    for (int n = 0; n < 48; ++n) {
        char date[16];
        std::snprintf(date, sizeof date, "%d-%02d-01", 2001 + n / 4, n % 4 * 3 + 1);
        csv += date;
        for (int s = 0; s < 36; ++s) {
            char value[32] = "";
            if (n < 36 || listed(exogenous, s))
                std::snprintf(value, sizeof value, "%.3f", start[s] * (listed(constant, s) ? 1 : std::pow(1.006, n)));
            csv += std::string(",") + value;
        }
        csv += "\n";
    }
    return csv;
}

std::string readmeScript() {
    std::istringstream readme(readFile(std::string(EXAMPLE_DIR) + "/../README.md"));
    std::string script;
    bool inSection = false, inBlock = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("## ", 0) == 0) inSection = line == "## Your own data";
        if (!inSection) continue;
        if (line.rfind("```", 0) == 0)
            inBlock = !inBlock && line == "```sh";
        else if (inBlock)
            script += line + "\n";
    }
    return script;
}

// Every file the steps leave, by path, with its bytes.
std::map<std::string, std::string> filesUnder(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const char* dir : {"mywork", "handmade"})
        for (const fs::directory_entry& entry : fs::directory_iterator(root + "/" + dir))
            files[std::string(dir) + "/" + entry.path().filename().string()] = readFile(entry.path().string());
    return files;
}

TEST(OwnData, TheReadmeStepsRunAndGiveTheSameBytesTwice) {
    ScratchDir scratch;
    fs::create_directory_symlink(BUILD_DIR, scratch.file("build"));
    fs::create_directory_symlink(EXAMPLE_DIR, scratch.file("example"));
    writeFile(scratch.file("mydata.csv"), ownCsv());
    std::string script = readmeScript();
    ASSERT_NE(script.find("vornbank workdir"), std::string::npos);
    writeFile(scratch.file("steps.sh"), script);

    ProgramResult first = runProgram("/bin/sh", {"-e", "steps.sh"}, scratch.path());
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    EXPECT_EQ(first.err, "");
    EXPECT_NE(first.out.find("made mywork: run vorn there\n"), std::string::npos);
    std::map<std::string, std::string> files = filesUnder(scratch.path());
    ProgramResult again = runProgram("/bin/sh", {"-e", "steps.sh"}, scratch.path());
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, first.out);
    EXPECT_EQ(filesUnder(scratch.path()), files);

    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "handmade/bws.bnk", "handmade/bws.ind", "handmade/heart.dat", "handmade/heart.dim",
                         "handmade/vorn.cfg", "handmade/vorn.lag", "mywork/bws.bnk", "mywork/bws.ind",
                         "mywork/forecast.csv", "mywork/forecast.fix", "mywork/heart.dat", "mywork/heart.dim",
                         "mywork/sigma.bnk", "mywork/sigma.ind", "mywork/uncertainty.csv", "mywork/vorn.cfg",
                         "mywork/vorn.lag"}));
    std::string lags = le16(36) + std::string("\0\0\1\x0b\4\1\0\0\0\0\1\4", 12) + std::string(24, '\0');
    EXPECT_EQ(files["mywork/vorn.lag"], lags);
    EXPECT_EQ(files["handmade/vorn.lag"], lags);
    EXPECT_EQ(files["mywork/bws.bnk"].substr(0, 6), le16(2001) + le16(1) + le16(48));
    EXPECT_EQ(files["handmade/bws.bnk"].substr(0, 6), files["mywork/bws.bnk"].substr(0, 6));
    EXPECT_EQ(files["mywork/heart.dat"], readFile(std::string(EXAMPLE_DIR) + "/heart.dat"));
    EXPECT_EQ(files["mywork/vorn.cfg"], "# Start-up file: the workspace bank's data and index files, and a label.\n"
                                        "data file  ; bws.bnk\nindex file ; bws.ind\nlabel      ; workdir\n");

    // Twelve solved quarters, dated as ISO days; twelve positive standard deviations.
    std::istringstream forecast(files["mywork/forecast.csv"]);
    std::string line;
    std::getline(forecast, line);
    EXPECT_EQ(line, "date,gdp_real,consum,invest");
    for (int n = 0; n < 12; ++n) {
        ASSERT_TRUE(std::getline(forecast, line)) << n;
        char date[16];
        std::snprintf(date, sizeof date, "%d-%02d-01,", 2010 + n / 4, n % 4 * 3 + 1);
        EXPECT_EQ(line.rfind(date, 0), 0u) << line;
    }
    std::istringstream spread(files["mywork/uncertainty.csv"]);
    std::getline(spread, line);
    int rows = 0;
    for (; std::getline(spread, line); ++rows) {
        double gdp = 0, consum = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%*[^,],%lf,%lf", &gdp, &consum), 2) << line;
        EXPECT_GT(gdp, 0.0) << line;
        EXPECT_GT(consum, 0.0) << line;
    }
    EXPECT_EQ(rows, 12);
}

}  // namespace
