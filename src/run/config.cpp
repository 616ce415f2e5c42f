// Start-up: the command line chooses the kind of run; vorn.cfg names the bank;
// vorn.lag gives the number of series and their lag depths. Every failure ends
// the run with its own message and exit code.
#include "run/config.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/byte_order.h"
#include "bank/series_by_name.h"
#include "fixer/bank_report.h"
#include "fixer/reader.h"
#include "base/console.h"
#include "base/date_notation.h"
#include "base/dates.h"
#include "base/exit.h"
#include "run/options.h"
#include "base/owned_file.h"
#include "state/model_state.h"
#include "stochastic/sigma_bank.h"

namespace {

// The stochastic usage's second line shows where the optional seed goes.
const char* const kUsageStochastic =
    "invocation: vorn date1 date2 model.fix num_draw rnderr rndcoef\n"
    "        or: vorn date1 date2 model.fix num_draw rnderr rndcoef seed\n"
    "            (num_draw 1 to 32767, rnderr and rndcoef 0 or 1, seed 0 to 65535)";
const char* const kUsageOptimiser = "invocation: vorn date1 date2 model.fix m maxspec.dat";

// The workspace bank's data file, as vorn.cfg names it.
std::string workspaceDataName;

[[noreturn]] void usage(const char* text) {
    printErr("\n%s\n", text);
    endProcess(kExitUsage);
}

// A numeric word of the command line: digits only, from `low` to `high`; else
// the usage text and a line naming the word.
long numericWord(const char* role, const char* text, long low, long high) {
    const size_t length = std::strlen(text);
    const bool digits = length > 0 && length <= 9 && std::strspn(text, "0123456789") == length;
    const long value = digits ? std::strtol(text, nullptr, 10) : -1;
    if (value < low || value > high) {
        if (high == low + 1)
            printErr("\n%s must be %ld or %ld, not %s.", role, low, high, text);
        else
            printErr("\n%s must be a whole number from %ld to %ld, not %s.", role, low, high, text);
        usage(kUsageStochastic);
    }
    return value;
}

// rnderr and rndcoef are 0 or 1.
int16_t switchArgument(const char* role, const char* text) {
    return static_cast<int16_t>(numericWord(role, text, 0, 1));
}

void readBankFiles() {
    // Closed however the reading ends: a run ended early leaves no file open.
    OwnedFile config(std::fopen("vorn.cfg", "r"));
    if (!config) {
        printOut("\nProvide vorn.cfg file\n");
        endProcess(kExitConfig);
    }
    char dataName[kTokenSize];
    char indexName[kTokenSize];
    char unused[kTokenSize];  // an optional third entry, not used
    // A name cut to what a token holds would open another file: such an entry ends the run.
    for (char* entry : {dataName, indexName, unused})
        if (readConfigEntry(entry, config.get()) == kConfigEntryTooLong) endProcess(kExitConfig);
    config.reset();
    workspaceDataName = dataName;
    model.addPrint = true;
    BankHeader header;
    BankStatus opened = openBank(dataName, indexName, BankAccess::write, header);
    printOut("%s", opened.notes.c_str());
    // The header is read after the index: a bank refused for its header has had its index read.
    if (opened.error == BankError::none || opened.error == BankError::badHeader || opened.error == BankError::notWhole)
        printOut("\nIndex read.\n");
    opened.notes.clear();
    showOpenedBank(opened);
}

void readLagTable() {
    OwnedFile lags(std::fopen("vorn.lag", "rb"));
    if (!lags) {
        printOut("\nCannot open vorn.lag.\n");
        endProcess(kExitLagFileMissing);
    }
    uint16_t count = 0;
    readUint16s(lags.get(), &count, 1);
    model.seriesCount = count;
    printOut("\n %d series in this model.\n", model.seriesCount);
    try {
        model.seriesLags.assign(static_cast<size_t>(model.seriesCount), 0);
    } catch (const std::bad_alloc&) {
        printOut("Failed allocation for lag.\n");
        endProcess(kExitNoMemoryForLags);
    }
    size_t got = std::fread(model.seriesLags.data(), 1, model.seriesLags.size(), lags.get());
    if (got < model.seriesLags.size()) {
        printOut("Failed to read vorn.lag.\n");
        endProcess(kExitLagFileShort);
    }
    lags.reset();
    try {
        model.fixOfSeries.assign(static_cast<size_t>(model.seriesCount), 0);
    } catch (const std::bad_alloc&) {
        printOut("Failed to allocate memory for fixes.\n");
        endProcess(kExitNoMemoryForFixes);
    }
}

// Returns the seed given after rndcoef (its low 16 bits are what the clock
// would give), or -1 when the clock is to seed the run.
int32_t chooseRunMode(int argc, char** argv) {
    if (argc < 4 || argc > 8) usage(kUsageStochastic);
    model.drawCount = 1;
    model.randomErrors = 0;
    model.randomCoefficients = 0;
    if (argc == 4) return -1;
    if (argv[4][0] == 'm') {
        model.maximize = true;
        if (argc < 6) usage(kUsageOptimiser);
        if (argc == 8) usage(kUsageStochastic);
        model.specFileName = argv[5];
        return -1;
    }
    model.drawCount = static_cast<int16_t>(numericWord("num_draw", argv[4], 1, 32767));
    model.randomErrors = argc >= 6 ? switchArgument("rnderr", argv[5]) : 1;
    model.randomCoefficients = argc >= 7 ? switchArgument("rndcoef", argv[6]) : 1;
    int32_t seed = argc == 8 ? static_cast<int32_t>(numericWord("The seed", argv[7], 0, 65535)) : -1;

    bool anyStochastic = false;
    for (int e = 0; e < model.equationCount; ++e) anyStochastic = anyStochastic || model.equationKind[e] == 's';
    if (!anyStochastic) model.randomErrors = model.randomCoefficients = 0;
    if (!model.randomErrors && !model.randomCoefficients) model.drawCount = 1;
    return seed;
}

// "add model.fix arg ..." ahead of the console input: the fix file runs first.
void placeFirstFixerLine(int argc, char** argv) {
    model.lineBuffer = "add";
    for (int i = 3; i < argc; ++i) {
        model.lineBuffer += ' ';
        model.lineBuffer += argv[i];
    }
    model.lineBuffer += "\r\n";
    model.linePos = 0;
    model.currentChar = 'a';
    model.pushbackChar = 0;
}

// The frequency of the model's series: that of the first whose record has one.
int16_t modelFrequency() {
    for (int32_t k = 0; k < model.seriesCount && k < model.nameCount; ++k)
        if (knownFrequency(recordFrequency(k))) return recordFrequency(k);
    return 0;
}

// A date of the command line in any notation the tools read (a day is the
// period of the model's series that holds it); its date number in vorn's
// notation goes to `date`, for the console.
int32_t dateArgument(const char* text, float& date) {
    PeriodDate period{0, 0};
    std::string problem;
    std::string vornText;
    const BankCalendar calendar = bankCalendar();
    if ((!parseDateNotation(calendar, text, 0, period, problem) &&
         !parseDateNotation(calendar, text, modelFrequency(), period, problem)) ||
        !formatDate(calendar, period.index, period.frequency, vornText)) {
        printOut("\nBad date %s: it %s; write %s.\n", text, problem.c_str(), kDateNotations);
        endProcess(kExitBadDate);
    }
    for (int32_t k = 0; k < model.seriesCount && k < model.nameCount; ++k) {
        const int16_t frequency = recordFrequency(k);
        if (!knownFrequency(frequency) || frequency == period.frequency) continue;
        printOut("\nThe date %s is %s, but the model's series %s is %s.\n", text, frequencyName(period.frequency),
                 model.namePool.data() + model.nameOffsets[k], frequencyName(frequency));
        endProcess(kExitBadDate);
    }
    model.frequency = period.frequency;
    date = static_cast<float>(std::strtod(vornText.c_str(), nullptr));
    return period.index;
}

}  // namespace

bool answerInformationRequest(int argc, char** argv) {
    if (argc != 2) return false;
    std::string word = argv[1];
    if (word == "--version") {
        printOut("vorn %s\n", VORN_VERSION);
        return true;
    }
    if (word != "-h" && word != "--help") return false;
    printOut("vorn solves the model period by period from date1 to date2, steered by a fix file.\n"
             "\n"
             "usage: vorn date1 date2 model.fix                          a forecast\n"
             "       vorn date1 date2 model.fix num_draw rnderr rndcoef [seed]\n"
             "                 num_draw (1 to 32767) trials with random errors (rnderr 0/1) and\n"
             "                 coefficients (rndcoef 0/1); a seed from 0 to 65535 repeats the trials\n"
             "       vorn date1 date2 model.fix m maxspec.dat            the coefficient search\n"
             "       vorn -h | --help | --version\n"
             "\n"
             "Dates as 2000.4, 2000Q4, 2000-Q4, 2000:4 or 2000-10-01 (the period holding that day).\n"
             "\n"
             "%s"
             "\n"
             "The working directory holds vorn.cfg, vorn.lag, heart.dim, heart.dat, the bank and\n"
             "the fix file. README.md shows how to start; docs/model.md describes the model and\n"
             "docs/fix-language.md the fix files.\n",
             kVornOptionsHelp);
    return true;
}

int readConfigEntry(char* buffer, FILE* config) {
    char kind;
    while ((kind = nextToken(buffer, config)) != ';' && kind != kTokenEnd) {
    }
    if (kind == kTokenEnd) repeatToken();
    kind = nextToken(buffer, config);
    if (kind != kTokenName && kind != kTokenNumber) {
        printOut("\nBad entry in vorn.cfg file \n");
        return -1;
    }
    // A token holds kTokenSize - 1 characters; a full one may have been cut.
    if (std::strlen(buffer) == kTokenSize - 1) {
        int next = nextChar(config);
        ungetChar(next);
        if (next != -1 && next != '\n' && next != ' ' && next != '\t' && next != ';' && next != '#') {
            printOut("\nThe entry %s... in vorn.cfg is longer than %d characters.\n", buffer, kTokenSize - 1);
            return kConfigEntryTooLong;
        }
    }
    return 0;
}

void configureRun(int argc, char** argv) {
    model.currentChar = '\n';
    model.pushbackChar = 0;
    model.staticSimulation = false;
    model.maximize = false;
    if (argc < 3) {
        printOut("\nError:  No dates passed to the model.\n");
        endProcess(kExitBadDate);
    }
    model.addPrint = false;
    model.fixCount = 1;

    readBankFiles();
    readLagTable();
    int32_t seed = chooseRunMode(argc, argv);
    model.startIndex = dateArgument(argv[1], model.startDate);
    model.runFrequency = model.frequency;
    model.endIndex = dateArgument(argv[2], model.endDate);
    if (model.frequency != model.runFrequency) {
        printOut("\nThe dates %s and %s have different frequencies.\n", argv[1], argv[2]);
        endProcess(kExitBadDate);
    }
    model.printFrom = model.startDate;
    model.printTo = model.endDate;
    model.periodCount = model.endIndex - model.startIndex;
    if (model.randomErrors || model.randomCoefficients) copySigmaBank(workspaceDataName);
    placeFirstFixerLine(argc, argv);

    // A negative seed makes the generator seed itself at its first draw. A
    // seed from the command line takes the clock's place, so a run can be
    // repeated; the clock's is kept to be shown before the trials.
    uint16_t seedSource =
        seed >= 0 ? static_cast<uint16_t>(seed) : static_cast<uint16_t>(std::time(nullptr) & 0xFFFF);
    model.clockSeed = seed >= 0 ? -1 : seedSource;
    model.random.seed = static_cast<int16_t>(-static_cast<int16_t>(seedSource));
}
