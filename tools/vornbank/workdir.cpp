// vornbank workdir: a complete working directory for vorn from a CSV file in
// one command: the bank, vorn.cfg, vorn.lag and the coefficient files.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "base/exit.h"
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
    "lags writes it), and heart.dim and heart.dat copied from the directory FROM, with the\n"
    "help pages rhelp.hlp and rhelp.X where FROM has them. The CSV file names at least 36\n"
    "series, the model's in positions 0 to 35. DIR must not exist or be empty unless --force\n"
    "is given, which replaces those entries of DIR (links too, never what they point to) and\n"
    "keeps its other files and coefficient files taken from DIR itself. The files are made\n"
    "apart and moved into DIR only when all are complete: when anything fails, DIR is left\n"
    "as it was.\n";

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

const char* const kConfigText =
    "# Start-up file: the workspace bank's data and index files, and a label.\n"
    "data file  ; bws.bnk\nindex file ; bws.ind\nlabel      ; workdir\n";

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) fail("cannot read %s", path.c_str());
    return bytes;
}

// The files copied from the coefficient folder: heart.dim and heart.dat, and
// the help pages (rhelp.hlp and the topics rhelp.X) where it has them.
std::vector<std::string> copiedFiles(const fs::path& from) {
    std::vector<std::string> names(std::begin(kCoefficientFiles), std::end(kCoefficientFiles));
    std::error_code error;
    std::vector<std::string> pages;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
        std::string name = entry.path().filename().string();
        bool page = name == "rhelp.hlp" || (name.size() == 7 && name.rfind("rhelp.", 0) == 0);
        if (page && entry.is_regular_file(error)) pages.push_back(name);
    }
    std::sort(pages.begin(), pages.end());
    names.insert(names.end(), pages.begin(), pages.end());
    return names;
}

// Where the new files are assembled: a fresh folder inside DIR when it exists
// (the same file system as its entries), else beside it, to become DIR.
struct Staging {
    fs::path folder;
    ~Staging() {
        std::error_code error;
        if (!folder.empty()) fs::remove_all(folder, error);
    }
};

void makeStaging(const fs::path& dir, bool existed, Staging& staging) {
    fs::path within = existed ? dir : dir.has_parent_path() ? dir.parent_path() : fs::path(".");
    std::string prefix = existed ? "" : "." + dir.filename().string();
    std::string pattern = (within / (prefix + ".workdir-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        fail(existed ? "cannot replace files in %s: %s" : "cannot make %s: %s", dir.c_str(), std::strerror(errno));
    staging.folder = pattern;
}

// Moves the assembled files over DIR's entries of the same names, each by one
// rename, so that a link there is replaced, never written through. When a
// rename fails, those done are taken back: DIR is left as it was.
void moveIntoPlace(const fs::path& dir, const fs::path& staged, const std::vector<std::string>& names) {
    fs::path old = staged / ".old";
    if (::mkdir(old.c_str(), 0700) != 0) fail("cannot make a folder in %s: %s", staged.c_str(), std::strerror(errno));
    struct Moved {
        std::string name;
        bool asideDone;
        bool placed;
    };
    std::vector<Moved> moved;
    for (const std::string& name : names) {
        fs::path target = dir / name;
        struct stat entry;
        Moved step{name, false, false};
        bool there = ::lstat(target.c_str(), &entry) == 0;
        int error = 0;
        if (there && ::rename(target.c_str(), (old / name).c_str()) != 0)
            error = errno;
        else
            step.asideDone = there;
        if (error == 0 && ::rename((staged / name).c_str(), target.c_str()) != 0) error = errno;
        step.placed = error == 0;
        moved.push_back(step);
        if (error == 0) continue;
        for (auto undo = moved.rbegin(); undo != moved.rend(); ++undo) {
            if (undo->placed) ::rename((dir / undo->name).c_str(), (staged / undo->name).c_str());
            if (undo->asideDone) ::rename((old / undo->name).c_str(), (dir / undo->name).c_str());
        }
        fail("cannot put %s in place: %s", target.c_str(), std::strerror(error));
    }
    if (!syncFolder(dir.string())) fail("cannot sync %s: %s", dir.c_str(), std::strerror(errno));
}

}  // namespace

int runWorkdir(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("workdir", args, {"csv", "coefficients", "frequency"}, {"force"}, kWorkdirHelp);
    if (parsed.words.size() != 1) usageFail("workdir", "workdir takes one DIR");
    std::string dirText = parsed.words[0];
    while (dirText.size() > 1 && dirText.back() == '/') dirText.pop_back();
    fs::path dir = dirText;
    std::string csv = requiredOption(parsed, "csv");
    fs::path from = requiredOption(parsed, "coefficients");
    int16_t frequency = frequencyOption("workdir", parsed);

    std::error_code error;
    struct stat entry;
    bool existed = ::stat(dir.c_str(), &entry) == 0;
    fs::path parent = dir.has_parent_path() ? dir.parent_path() : fs::path(".");
    if (existed && !S_ISDIR(entry.st_mode)) fail("%s exists already and is not a directory", dir.c_str());
    if (!existed && errno != ENOENT) fail("cannot make %s: %s", dir.c_str(), std::strerror(errno));
    if (!existed && !fs::is_directory(parent, error))
        fail("cannot make %s: the folder %s is not there", dir.c_str(), parent.c_str());
    if (existed && !parsed.options.count("force") && !fs::is_empty(dir, error))
        fail("%s exists already and is not empty; give --force to replace its bank and start-up files",
             dir.c_str());
    for (const char* name : kCoefficientFiles)
        if (!fs::is_regular_file(from / name, error)) fail("%s has no %s", from.c_str(), name);
    // Coefficient files taken from DIR itself stay as they are.
    bool ownCoefficients = existed && fs::equivalent(from, dir, error);
    std::vector<std::string> copied = ownCoefficients ? std::vector<std::string>{} : copiedFiles(from);
    std::vector<std::string> placed{"bws.bnk", "bws.ind", "vorn.cfg", "vorn.lag"};
    placed.insert(placed.end(), copied.begin(), copied.end());
    if (existed) {
        for (const std::string& name : placed)
            if (::lstat((dir / name).c_str(), &entry) == 0 && S_ISDIR(entry.st_mode))
                fail("%s is a directory; workdir replaces only files", (dir / name).c_str());
        // Held until the new bank is in place; a dead run's journal is applied to the bank being replaced.
        claimToolBank((dir / "bws").string(), BankAccess::write, false);
    }
    BankShape shape = shapeFromCsv(csv, frequency);

    Staging staging;
    makeStaging(dir, existed, staging);
    const fs::path staged = staging.folder;
    std::string bank = (staged / "bws").string();
    showPathAs(staged.string(), dir.string());  // failures name DIR, not the staging folder
    // The steps' own lines name the staging folder: they are shown, naming DIR, only once all is in place.
    FILE* results = toolOut;
    toolOut = std::tmpfile();
    if (!toolOut) {
        toolOut = results;
        fail("cannot make a temporary file: %s", std::strerror(errno));
    }
    std::string lines;
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
        if (bankFailed(commitBankChanges())) fail("cannot write the bank %s", bank.c_str());
        requireWritten(writeWholeFile((staged / "vorn.cfg").string(), kConfigText));
        for (const std::string& name : copied)
            requireWritten(writeWholeFile((staged / name).string(), fileBytes(from / name)));
        std::rewind(toolOut);
        for (int c; (c = std::fgetc(toolOut)) != EOF;) lines.push_back(static_cast<char>(c));
        std::fclose(toolOut);
        toolOut = results;
    } catch (const ProcessExit&) {
        undoBankChanges();  // its line speaks of the staged bank, which goes whole: it is not shown
        std::fclose(toolOut);
        toolOut = results;
        throw;
    }

    if (existed) {
        moveIntoPlace(dir, staged, placed);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        if (::chmod(staged.c_str(), 0777 & ~mask) != 0 || ::rename(staged.c_str(), dir.c_str()) != 0)
            fail("cannot make %s: %s", dir.c_str(), std::strerror(errno));
        staging.folder.clear();
        if (!syncFolder(parent.string())) fail("cannot sync %s: %s", parent.c_str(), std::strerror(errno));
    }
    writeToolOutput(withPathShown(lines));
    std::fprintf(toolOut, "made %s: run vorn there\n", dir.c_str());
    return kExitNormal;
}
