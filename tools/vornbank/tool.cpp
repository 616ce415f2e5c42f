// vornbank's verbs and the command as one change to the bank.
#include <cstring>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/exit.h"
#include "vornbank.h"

namespace {

const char* const kToolHelp =
    "vornbank: makes and reads vorn's banks (BANK.bnk holds the values, BANK.ind the names).\n"
    "\n"
    "usage: vornbank VERB ARGUMENTS\n"
    "\n"
    "  create BANK --base-year Y --base-month M --length N [--title TEXT] [--force]\n"
    "                        make an empty bank of N periods from month M of year Y\n"
    "  import BANK FILE.csv [--frequency F]\n"
    "                        write the series of a CSV file into the bank\n"
    "  export BANK [NAME...] [--from DATE] [--to DATE] [--dates vorn|iso|q]\n"
    "                        print series as CSV on the standard output\n"
    "  list BANK             position, name, frequency, first and last period of every series\n"
    "  info BANK             base year, base month, length, title and number of series\n"
    "  lags BANK [NAME=K...] write vorn.lag next to the bank: the lags the model reads\n"
    "  workdir DIR --csv FILE.csv --coefficients FROM\n"
    "                        make a working directory for vorn from a CSV file\n"
    "  chart BANK NAME... [--from DATE] [--to DATE] [--forecast-from DATE] [--sigma SIGMABANK]\n"
    "        [--compare OTHERBANK [--deviation [--percent]]] [--fan TRIALS [--at P,...]]\n"
    "        [--out FILE.svg]\n"
    "                        draw series as an SVG picture, one panel per series\n"
    "  trials TRIALS [NAME...] [--from DATE] [--to DATE]\n"
    "                        print the trials file of vorn --trials as long CSV\n"
    "  percentiles TRIALS NAME... [--at 5,25,50,75,95] [--from DATE] [--to DATE]\n"
    "                        percentiles over the trials, a column per name and percentile\n"
    "  compare BANK BASE NAME... [--from DATE] [--to DATE] [--percent]\n"
    "                        a scenario against its baseline: differences or % deviations\n"
    "\n"
    "CSV files have the header date,NAME1,NAME2,... and rows DATE,v1,v2,... with dates in\n"
    "vorn's notation (1995, 1995.1 to 1995.4, 1995.5 or 1995.6, 1995.001 to 1995.012) or a\n"
    "common one (1995Q1, 1995-01, 1995H1, 1995-01-01; vornbank import --help lists them);\n"
    "an empty cell is a missing value.\n"
    "\n"
    "vornbank VERB --help tells more about one verb.\n";

int runTool(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs("vornbank: no verb given; vornbank --help lists the verbs.\n", console.err);
        return kExitUsage;
    }
    const std::string& verb = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (verb == "--help" || verb == "-h" || verb == "help") {
        std::fputs(kToolHelp, toolOut);
        return kExitNormal;
    }
    if (verb == "create") return runCreate(rest);
    if (verb == "import") return runImport(rest);
    if (verb == "export") return runExport(rest);
    if (verb == "list") return runList(rest);
    if (verb == "info") return runInfo(rest);
    if (verb == "lags") return runLags(rest);
    if (verb == "workdir") return runWorkdir(rest);
    if (verb == "chart") return runChart(rest);
    if (verb == "trials") return runTrials(rest);
    if (verb == "percentiles") return runPercentiles(rest);
    if (verb == "compare") return runCompare(rest);
    printErr("vornbank: unknown verb '%s'; vornbank --help lists the verbs.\n", verb.c_str());
    return kExitUsage;
}

}  // namespace

int runVornbank(const std::vector<std::string>& args) { return runToolCommand(args, runTool); }
