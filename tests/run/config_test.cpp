// Start-up: the command line, vorn.cfg, vorn.lag and the choice of run.
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "bank/bank_file.h"
#include "run/config.h"
#include "state/model_state.h"
#include "support/bank_files.h"
#include "support/harness.h"

namespace {

class Startup : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        writeFile("vorn.cfg", "data ; bws.bnk\nindex ; bws.ind\nthird ; x\n");
        writeFile("bws.bnk", dataFileBytes(1990, 1, 40, {{0, {}}, {0, {}}}, ""));
        writeFile("bws.ind", indexFileBytes({"a", "b"}));
        writeFile("vorn.lag", le16(2) + std::string("\x01\x00", 2));
        model.equationCount = 1;
        model.equationKind = {'s'};
        model.coefCount = {2};
    }

    int configure(std::vector<std::string> words) {
        words.insert(words.begin(), "vorn");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        arguments = std::move(words);
        return exitCodeOf([&] { configureRun(static_cast<int>(argv.size()), argv.data()); });
    }

    std::vector<std::string> arguments;
};

const char* const kUsageStochastic =
    "\ninvocation: vorn date1 date2 model.fix num_draw rnderr rndcoef\n"
    "        or: vorn date1 date2 model.fix num_draw rnderr rndcoef seed\n"
    "            (num_draw 1 to 32767, rnderr and rndcoef 0 or 1, seed 0 to 65535)\n";
const char* const kUsageOptimiser = "\ninvocation: vorn date1 date2 model.fix m maxspec.dat\n";

TEST_F(Startup, PlainRunReadsEverythingAndPlacesTheAddLine) {
    ConsoleCapture console;
    auto seedAt = [](std::time_t now) { return static_cast<int16_t>(-static_cast<int16_t>(now & 0xFFFF)); };
    int16_t seedBefore = seedAt(std::time(nullptr));
    ASSERT_EQ(configure({"1995.1", "1996.1", "model.fix"}), -1);
    int16_t seedAfter = seedAt(std::time(nullptr));
    EXPECT_TRUE(model.random.seed == seedBefore || model.random.seed == seedAfter) << model.random.seed;
    EXPECT_EQ(model.random.seed, static_cast<int16_t>(-static_cast<int16_t>(model.clockSeed)));  // shown, to be given again
    EXPECT_EQ(console.output(), "\nIndex read.\n\n 2 series in this model.\n");
    EXPECT_EQ(model.bankBaseYear, 1990);
    EXPECT_EQ(model.bankLength, 40);
    EXPECT_EQ(model.nameCount, 2);
    EXPECT_EQ(model.seriesCount, 2);
    EXPECT_EQ(model.seriesLags, (std::vector<int8_t>{1, 0}));
    EXPECT_EQ(model.fixOfSeries, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(model.fixCount, 1);
    EXPECT_EQ(model.drawCount, 1);
    EXPECT_FALSE(model.maximize);
    EXPECT_EQ(model.startIndex, 20);
    EXPECT_EQ(model.endIndex, 24);
    EXPECT_EQ(model.periodCount, 4);
    EXPECT_EQ(model.frequency, 4);
    EXPECT_EQ(model.printFrom, 1995.1f);
    EXPECT_EQ(model.printTo, 1996.1f);
    EXPECT_EQ(model.lineBuffer, "add model.fix\r\n");
    EXPECT_EQ(model.currentChar, 'a');
    EXPECT_TRUE(model.addPrint);
    EXPECT_FALSE(fileExists("sigma.bnk"));
}

TEST_F(Startup, DatesAreRequired) {
    ConsoleCapture console;
    EXPECT_EQ(configure({"1995.1"}), 1);
    EXPECT_EQ(console.output(), "\nError:  No dates passed to the model.\n");
}

TEST_F(Startup, TwoDatesReadTheStartupFilesBeforeTheUsage) {
    ConsoleCapture console;
    EXPECT_EQ(configure({"1995.1", "1996.1"}), 2);
    EXPECT_EQ(console.output(), "\nIndex read.\n\n 2 series in this model.\n");
    EXPECT_EQ(console.errors(), kUsageStochastic);
}

TEST_F(Startup, BadStochasticArgumentsEndWithTheUsage) {
    const std::string draws = "\nnum_draw must be a whole number from 1 to 32767, not ";
    const std::string seed = "\nThe seed must be a whole number from 0 to 65535, not ";
    struct Case {
        std::vector<std::string> words;  // after the dates and the fix file
        std::string line;                // the line before the usage text
    };
    for (const Case& c : std::vector<Case>{
             {{"0"}, draws + "0."},         {{"abc"}, draws + "abc."},   {{"1e3"}, draws + "1e3."},
             {{"2x"}, draws + "2x."},       {{"32768"}, draws + "32768."}, {{"0x20"}, draws + "0x20."},
             {{"+5"}, draws + "+5."},       {{"50", "2"}, "\nrnderr must be 0 or 1, not 2."},
             {{"50", "1", "1abc"}, "\nrndcoef must be 0 or 1, not 1abc."},
             {{"5", "1", "1", "x"}, seed + "x."}, {{"5", "1", "1", "65536"}, seed + "65536."},
             {{"5", "1", "1", "-3"}, seed + "-3."}, {{"5", "1", "1", "12a"}, seed + "12a."},
             {{"m", "spec.dat", "1", "7"}, ""},  {{"5", "1", "1", "7", "8"}, ""}}) {
        resetModelState();
        SetUp();
        ConsoleCapture console;
        std::vector<std::string> words{"1995.1", "1996.1", "m.fix"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        EXPECT_EQ(configure(words), 2) << words.back();
        EXPECT_EQ(console.errors(), c.line + kUsageStochastic) << words.back();
    }
}

TEST_F(Startup, OptimiserNeedsItsSpecificationFile) {
    {
        ConsoleCapture console;
        EXPECT_EQ(configure({"1995.1", "1996.1", "m.fix", "max", "spec.dat"}), -1);
        EXPECT_TRUE(model.maximize);
        EXPECT_STREQ(model.specFileName, "spec.dat");
        EXPECT_EQ(model.lineBuffer, "add m.fix max spec.dat\r\n");
    }
    resetModelState();
    SetUp();
    ConsoleCapture console;
    EXPECT_EQ(configure({"1995.1", "1996.1", "m.fix", "m"}), 2);
    EXPECT_EQ(console.errors(), kUsageOptimiser);
}

TEST_F(Startup, StochasticRunCopiesTheBankToTheSigmaBank) {
    ConsoleCapture console;
    writeFile("sigma.bnk", "old");
    ASSERT_EQ(configure({"1995.1", "1996.1", "m.fix", "100", "1", "0", "32767"}), -1);
    EXPECT_EQ(model.random.seed, -32767);  // the seed given takes the clock's place
    EXPECT_EQ(model.clockSeed, -1);
    EXPECT_EQ(model.drawCount, 100);
    EXPECT_EQ(model.randomErrors, 1);
    EXPECT_EQ(model.randomCoefficients, 0);
    EXPECT_EQ(readFile("sigma.bnk"), readFile("bws.bnk"));
    EXPECT_EQ(readFile("sigma.ind"), readFile("bws.ind"));
    EXPECT_EQ(model.lineBuffer, "add m.fix 100 1 0 32767\r\n");
}

TEST_F(Startup, DrawCountReachesSixteenBitsAndRandomnessNeedsAStochasticEquation) {
    {
        ConsoleCapture console;
        ASSERT_EQ(configure({"1995.1", "1996.1", "m.fix", "32767", "1", "1", "65535"}), -1);
        EXPECT_EQ(model.drawCount, 32767);
        EXPECT_EQ(model.random.seed, 1);  // what the clock's low 16 bits 65535 give
        EXPECT_EQ(model.randomErrors, 1);
        EXPECT_EQ(model.randomCoefficients, 1);
    }
    resetModelState();
    SetUp();
    std::remove("sigma.bnk");
    model.equationKind = {'x'};
    ConsoleCapture console;
    ASSERT_EQ(configure({"1995.1", "1996.1", "m.fix", "50"}), -1);
    EXPECT_EQ(model.drawCount, 1);
    EXPECT_EQ(model.randomErrors, 0);
    EXPECT_EQ(model.randomCoefficients, 0);
    EXPECT_FALSE(fileExists("sigma.bnk"));
}

TEST_F(Startup, NeitherKindOfRandomnessIsAPlainRun) {
    ConsoleCapture console;
    ASSERT_EQ(configure({"1995.1", "1996.1", "m.fix", "50", "0", "0"}), -1);
    EXPECT_EQ(model.drawCount, 1);
    EXPECT_FALSE(fileExists("sigma.bnk"));
}

TEST_F(Startup, MissingThirdConfigEntryOnlyWarns) {
    writeFile("vorn.cfg", "; bws.bnk\n; bws.ind\n");
    ConsoleCapture console;
    ASSERT_EQ(configure({"1995.1", "1996.1", "m.fix"}), -1);
    EXPECT_EQ(console.output(), "\nBad entry in vorn.cfg file \n\nIndex read.\n\n 2 series in this model.\n");
}

TEST_F(Startup, StartupFileFailures) {
    struct Case {
        const char* file;
        std::string bytes;
        int code;
        const char* message;
    };
    for (const Case& c : std::vector<Case>{
             {"vorn.cfg", "", 4, "\nProvide vorn.cfg file\n"},
             {"bws.bnk", "", 5, "\nCannot open bws.bnk.\n"},
             {"vorn.lag", "", 8, "\nIndex read.\n\nCannot open vorn.lag.\n"},
             {"vorn.cfg", "; " + std::string(36, 'b') + ".bnk\n; bws.ind\n", 4,
              "\nThe entry bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb.bn... in vorn.cfg is longer than 39 characters.\n"},
             {"vorn.lag", le16(3) + "\x01", 10,
              "\nIndex read.\n\n 3 series in this model.\nFailed to read vorn.lag.\n"}}) {
        resetModelState();
        SetUp();
        if (c.bytes.empty())
            std::remove(c.file);
        else
            writeFile(c.file, c.bytes);
        ConsoleCapture console;
        auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
        const auto filesBefore = openFiles();
        EXPECT_EQ(configure({"1995.1", "1996.1", "m.fix"}), c.code) << c.file;
        EXPECT_EQ(console.output(), c.message) << c.file;
        closeBankFiles();
        EXPECT_EQ(openFiles(), filesBefore) << c.file << ": a start-up file left open";
    }
}

TEST_F(Startup, DatesInTheToolsNotationsAreTheSamePeriods) {
    for (const char* start : {"1995.1", "1995Q1", "1995-q1", "1995:1", "1995-02-15"}) {
        resetModelState();
        SetUp();
        writeFile("bws.bnk", dataFileBytes(1990, 1, 40, {{4, {}}, {4, {}}}, ""));  // a day: the series' quarter
        ConsoleCapture console;
        ASSERT_EQ(configure({start, "1996-01-01", "m.fix"}), -1) << console.output();
        EXPECT_EQ(std::make_pair(model.startIndex, model.periodCount), std::make_pair(20, 4)) << start;
        EXPECT_EQ(std::make_pair(model.startDate, model.printTo), std::make_pair(1995.1f, 1996.1f)) << start;
    }
}

TEST_F(Startup, DateOfNoFrequencyIsRefused) {
    for (const char* date : {"1995.45", "1E9", "nan"}) {  // and dates too far out to count periods to
        resetModelState();
        SetUp();
        ConsoleCapture console;
        EXPECT_EQ(configure({date, "1996.1", "m.fix"}), 1);
        EXPECT_NE(console.output().find("\nBad date " + std::string(date) + ":"), std::string::npos) << date;
    }
}

}  // namespace
