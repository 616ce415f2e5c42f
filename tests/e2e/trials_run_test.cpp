// vorn's options on the example: the trials file of a stochastic run, quiet
// runs, and refused options.
#include <filesystem>
#include <set>

#include "stochastic/trials_file.h"
#include "support/bank_files.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSeries = 38;
constexpr int kPeriods = 21;     // 2000.4 to 2005.4
constexpr int kForecastBase = 83;  // 2000.4 in a bank that begins in 1980.1

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        copyExampleWorkdir(plain.path());
        copyExampleWorkdir(kept.path());
    }
    ProgramResult vorn(const ScratchDir& dir, const std::vector<std::string>& args) {
        return runProgram(VORN_BINARY, args, dir.path());
    }
    static std::set<std::string> files(const ScratchDir& dir) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename());
        return names;
    }
    ScratchDir plain;
    ScratchDir kept;
};

const std::vector<std::string> kRun = {"2000.4", "2005.4", "plain.fix", "30", "1", "1", "4711"};

std::vector<std::string> with(std::vector<std::string> options, const std::vector<std::string>& run = kRun) {
    options.insert(options.end(), run.begin(), run.end());
    return options;
}

TEST_F(Options, TrialsFileKeepsEveryTrialAndChangesNothingElse) {
    ProgramResult without = vorn(plain, kRun);
    const std::string original = readFile(kept.file("bws.bnk"));
    ProgramResult keeping = vorn(kept, with({"--trials", "out/t.npy"}, kRun));
    ASSERT_EQ(keeping.exitCode, 2);  // the folder for it is missing: refused before anything is written
    EXPECT_EQ(keeping.err, "\nvorn: --trials out/t.npy: cannot create a file next to out/t.npy: No such file or "
                           "directory\n");
    EXPECT_TRUE(readFile(kept.file("bws.bnk")) == original);
    EXPECT_FALSE(fileExists(kept.file("sigma.bnk")));
    fs::create_directory(kept.file("out"));
    keeping = vorn(kept, with({"--trials", "out/t.npy"}));
    ASSERT_EQ(without.exitCode, 0);
    ASSERT_EQ(keeping.exitCode, 0) << keeping.out;
    EXPECT_EQ(keeping.out, without.out);
    EXPECT_EQ(keeping.err, without.err);
    for (const char* file : {"bws.bnk", "bws.ind", "sigma.bnk", "sigma.ind"})
        EXPECT_TRUE(readFile(kept.file(file)) == readFile(plain.file(file))) << file;
    std::set<std::string> keptFiles = files(kept);
    keptFiles.erase("out");
    EXPECT_EQ(keptFiles, files(plain)) << "no file beside the run's own";
    std::set<std::string> out;
    for (const auto& entry : fs::directory_iterator(kept.file("out"))) out.insert(entry.path().filename());
    EXPECT_EQ(out, (std::set<std::string>{"t.npy", "t-series.txt", "t-dates.txt"}));

    const std::string values = readFile(kept.file("out/t.npy"));
    ASSERT_EQ(values.size(), 128u + 30u * kSeries * kPeriods * 4);
    EXPECT_EQ(values.substr(0, 128), trialsHeader(30, kSeries, kPeriods));
    EXPECT_EQ(values.substr(0, 80),
              std::string("\x93NUMPY\x01\x00\x76\x00{'descr': '<f4', 'fortran_order': False, 'shape': (30, 38, 21), }     ", 80));
    EXPECT_TRUE(readFile(kept.file("out/t-dates.txt")).starts_with("2000.4\n2001.1\n2001.2\n"));
    EXPECT_TRUE(readFile(kept.file("out/t-dates.txt")).ends_with("\n2005.3\n2005.4\n"));
    EXPECT_TRUE(readFile(kept.file("out/t-series.txt")).starts_with("unused\nprice\ngdp_real\n"));
    // The bank's means are the trials' means, summed as the run sums them.
    BankImage bank(kept.file("bws"));
    for (int s = 0; s < kSeries; ++s)
        for (int t = 0; t < kPeriods; ++t) {
            double mean = 0;
            for (int trial = 0; trial < 30; ++trial)
                mean = mean + floatAt(values, 128 + 4 * ((trial * kSeries + s) * kPeriods + t)) / 30.0;
            ASSERT_EQ(static_cast<float>(mean), bank.value(bank.names[s], kForecastBase + t)) << s << " " << t;
        }
}

TEST_F(Options, ATrialsFileThatCannotBeWrittenFailsTheRunAndLeavesNothing) {
    const std::set<std::string> before = files(kept);
    const std::string bank = readFile(kept.file("bws.bnk"));
    ProgramResult full = runProgram(VORN_BINARY, with({"--trials", "t.npy"}), kept.path(), "", 60000);
    EXPECT_EQ(full.exitCode, 8);
    EXPECT_NE(full.out.find("\nCannot write the trials file t.npy: File too large\n"), std::string::npos) << full.out;
    EXPECT_EQ(full.out.find("Run complete."), std::string::npos);
    EXPECT_EQ(files(kept), before);
    EXPECT_TRUE(readFile(kept.file("bws.bnk")) == bank);
}

TEST_F(Options, QuietRunsPrintNoProgressLines) {
    ProgramResult loud = vorn(plain, kRun);
    ProgramResult quiet = vorn(kept, with({"--quiet"}));
    ASSERT_EQ(quiet.exitCode, 0);
    for (const char* file : {"bws.bnk", "sigma.bnk"})
        EXPECT_TRUE(readFile(kept.file(file)) == readFile(plain.file(file))) << file;
    EXPECT_EQ(quiet.err, "");  // the error stream is no terminal: no progress line
    EXPECT_EQ(quiet.out, loud.out.substr(0, loud.out.find("\n\nLoading data for trial 1")) +
                             loud.out.substr(loud.out.rfind("\nRun complete.")));
    quiet = vorn(kept, {"--quiet", "2000.4", "2005.4", "plain.fix"});
    EXPECT_EQ(quiet.out.find("cR"), std::string::npos);
    EXPECT_TRUE(quiet.out.ends_with("\ngo\n\nRun complete.\nWriting variables to bank.\n")) << quiet.out;
}

TEST_F(Options, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    const std::string usage =
        "usage: vorn [--trials FILE] [--quiet] date1 date2 model.fix [num_draw rnderr rndcoef [seed]]\n"
        "       vorn [--quiet] date1 date2 model.fix m maxspec.dat\n"
        "       vorn -h | --help | --version\n";
    fs::create_directory(kept.file("dir"));
    const std::string bank = readFile(kept.file("bws.bnk"));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {with({"--loud"}), "\nvorn: unknown option --loud\n" + usage},
        {with({"--quiet", "--trials"}, {}), "\nvorn: --trials needs a file: --trials\n" + usage},
        {with({"--trials", "t.npy"}, {"2000.4", "2005.4", "plain.fix"}),
         "\nvorn: --trials t.npy: this is not a stochastic run, so it has no trials to keep.\n"},
        {with({"--trials", "bws.bnk"}), "\nvorn: --trials bws.bnk: bws.bnk is a file of the bank, which the "
                                        "trials file would replace.\n"},
        {with({"--trials", "dir"}), "\nvorn: --trials dir: dir is not a regular file, which the trials file "
                                    "would replace.\n"},
    };
    for (const auto& [args, err] : cases) {
        ProgramResult run = vorn(kept, args);
        EXPECT_EQ(run.exitCode, 2) << err;
        EXPECT_EQ(run.err, err);
        EXPECT_TRUE(readFile(kept.file("bws.bnk")) == bank) << err;
        EXPECT_EQ(files(kept).count("t.npy") + files(kept).count("sigma.bnk"), 0u) << err;
    }
    ProgramResult help = vorn(kept, {"--quiet", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("options, before date1:\n  --trials FILE "), std::string::npos);
}

}  // namespace
