// vornbank workdir: a complete working directory for vorn from a CSV file in
// one command: the bank, vorn.cfg, vorn.lag and the coefficient files.
#include <filesystem>
#include <fstream>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "runctl/exit.h"
#include "solve/model_requirements.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

namespace fs = std::filesystem;

const char* const kWorkdirHelp =
    "usage: vornbank workdir DIR --csv FILE.csv --coefficients FROM [--frequency F] [--force]\n"
    "\n"
    "Makes the working directory DIR for vorn: the bank bws.bnk/bws.ind holding every series\n"
    "of FILE.csv (as vornbank import reads it) over exactly the periods from its first to its\n"
    "last date, vorn.cfg naming that bank, vorn.lag with the lags the model reads (as vornbank\n"
    "lags writes it), and heart.dim and heart.dat copied from the directory FROM. The CSV file\n"
    "names at least 36 series, the model's in positions 0 to 35. DIR must not exist or be\n"
    "empty unless --force is given, which replaces those files in it. Nothing is written when\n"
    "the CSV file or the coefficient files are wrong.\n";

const char* const kCoefficientFiles[] = {"heart.dim", "heart.dat"};

std::string requiredOption(const VerbArgs& parsed, const char* name) {
    auto found = parsed.options.find(name);
    if (found == parsed.options.end()) usageFail("workdir", "--%s is needed", name);
    return found->second;
}

// The bank's header from the file's dates, read against an origin in January of year 1.
struct BankShape {
    int32_t baseYear;
    int32_t baseMonth;
    int32_t length;
};

BankShape shapeFromCsv(const std::string& csv, int16_t frequency) {
    model.bankBaseYear = 1;
    model.bankBaseMonth = 1;
    model.bankLength = 32767;
    CsvSummary summary = summariseCsv(csv, frequency);
    if (summary.seriesCount < static_cast<size_t>(kModelSeriesRead))
        fail("%s names %zu series; the model reads series 0 to %d", csv.c_str(), summary.seriesCount,
             kModelSeriesRead - 1);
    int16_t f = summary.first.frequency;
    int32_t periodOfYear = summary.first.index % f;
    return {1 + summary.first.index / f, periodOfYear * (12 / f) + 1,
            summary.last.index - summary.first.index + 1};
}

void writeConfig(const fs::path& dir) {
    std::ofstream config(dir / "vorn.cfg", std::ios::binary);
    config << "# Start-up file: the workspace bank's data and index files, and a label.\n"
              "data file  ; bws.bnk\nindex file ; bws.ind\nlabel      ; workdir\n";
    config.close();
    if (!config) fail("cannot write %s", (dir / "vorn.cfg").c_str());
}

}  // namespace

int runWorkdir(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("workdir", args, {"csv", "coefficients", "frequency"}, {"force"}, kWorkdirHelp);
    if (parsed.words.size() != 1) usageFail("workdir", "workdir takes one DIR");
    fs::path dir = parsed.words[0];
    std::string csv = requiredOption(parsed, "csv");
    fs::path from = requiredOption(parsed, "coefficients");
    int16_t frequency = frequencyOption("workdir", parsed);
    std::error_code error;
    bool existed = fs::exists(dir, error);
    if (existed && !parsed.options.count("force") && !fs::is_empty(dir, error))
        fail("%s exists already and is not empty; give --force to replace its bank and start-up files",
             dir.c_str());
    for (const char* name : kCoefficientFiles)
        if (!fs::is_regular_file(from / name, error)) fail("%s has no %s", from.c_str(), name);
    BankShape shape = shapeFromCsv(csv, frequency);

    if (!existed && !fs::create_directories(dir, error))
        fail("cannot make %s: %s", dir.c_str(), error.message().c_str());
    std::string bank = (dir / "bws").string();
    try {
        runCreate({bank, "--base-year", std::to_string(shape.baseYear), "--base-month",
                   std::to_string(shape.baseMonth), "--length", std::to_string(shape.length), "--title",
                   ("From " + fs::path(csv).filename().string()).substr(0, kBankTitleSize), "--force"});
        std::vector<std::string> importArgs{bank, csv};
        if (frequency != 0) importArgs.insert(importArgs.end(), {"--frequency", frequencyName(frequency)});
        runImport(importArgs);
        closeBankFiles();
        runLags({bank});
        closeBankFiles();
        writeConfig(dir);
        for (const char* name : kCoefficientFiles)
            if (!fs::copy_file(from / name, dir / name, fs::copy_options::overwrite_existing, error))
                fail("cannot copy %s: %s", (from / name).c_str(), error.message().c_str());
    } catch (const ProcessExit&) {
        // A directory made here goes whole; in one that was there, the bank's journal undoes the change.
        if (!existed) {
            forgetBankChanges();
            fs::remove_all(dir, error);
        }
        throw;
    }
    std::fprintf(toolOut, "made %s: run vorn there\n", dir.c_str());
    return 0;
}
