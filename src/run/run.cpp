// The run sequence: start-up, the fixer, the workspace, the chosen kind of run,
// the bank writes and the teardown.
#include "run/run.h"

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "fixer/bank_report.h"
#include "fixer/add_command.h"
#include "fixer/command_loop.h"
#include "optimiser/driver.h"
#include "base/arithmetic.h"
#include "run/config.h"
#include "base/console.h"
#include "base/exit.h"
#include "run/options.h"
#include "solve/missing_values.h"
#include "solve/model_requirements.h"
#include "solve/period_loop.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "stochastic/trial_loop.h"
#include "stochastic/sigma_bank.h"
#include "stochastic/trials_file.h"

namespace {

// Refuses, before the fixer touches the bank, a run the model or the bank cannot hold.
void checkRunIsPossible() {
    if (model.periodCount < 0) {
        printOut("\nThe end date comes before the start date.\n");
        endProcess(kExitRunRefused);
    }
    if (model.seriesCount > model.nameCount) {
        printOut("\nvorn.lag declares %d series, but the bank holds only %d.\n", model.seriesCount,
                 model.nameCount);
        endProcess(kExitRunRefused);
    }
    if (!showBankStatus(checkRunFitsBank()) || checkModelRequirements() == -1) endProcess(kExitRunRefused);
}

// Files the run would stop at after the fixer has written to the bank are read
// and checked before it: heart.dat, and the optimiser's specification.
void checkInputFiles() {
    readNamedCoefficients(rewoundCoefficientFile(), false);
    if (model.maximize && !checkOptimiserFiles()) {
        printOut("An error occured during maximization.\n");
        endProcess(kExitMaximizationError);
    }
}

[[noreturn]] void tableTooLarge(const char* what, int32_t rows, int32_t columns) {
    unsigned long bytes = static_cast<unsigned long>(rows) * sizeof(FloatVector) +
                          static_cast<unsigned long>(rows) * static_cast<unsigned long>(columns < 0 ? 0 : columns) *
                              sizeof(float);
    printOut("%s", what);
    printOut("%lu more bytes required.\n", bytes);
    endProcess(kExitNoTableMemory);
}

// The run's workspace, or the end of the run with the code of the table there is no memory for.
void allocateShownWorkspace() {
    const BankStatus allocated = allocateWorkspace();
    if (showBankStatus(allocated)) return;
    switch (allocated.error) {
    case BankError::noTableMemory: endProcess(kExitNoMemoryForTables);
    case BankError::noCoefficientMemory: endProcess(kExitNoMemoryForCoefficients);
    case BankError::noRhoMemory: endProcess(kExitNoMemoryForRho);
    case BankError::noSeeMemory: endProcess(kExitNoMemoryForSee);
    default: endProcess(kExitNoMemoryForSeries);
    }
}

void allocateStaticTable() {
    model.staticValues = allocMatrix(0, model.seriesCount, 1, model.periodCount - 1);
    if (!model.staticValues)
        tableTooLarge("Not enough memory for a static simulation.\n", model.seriesCount + 1, model.periodCount - 1);
}

// The search for new coefficients; the final run then starts from the restored series.
void optimise() {
    model.savedSeries = allocMatrix(0, model.seriesCount - 1, 0, model.periodCount);
    if (!model.savedSeries)
        tableTooLarge("Not enough memory to maximize.\n", model.seriesCount, model.periodCount + 1);
    if (!runOptimiser()) {
        printOut("An error occured during maximization.\n");
        endProcess(kExitMaximizationError);
    }
    freeMatrix(model.savedSeries);
}

// The fixer on the console input, the fix file first. When the fix file could
// not be opened and the input then ended without go, nobody has answered: the
// run is refused.
void runFixer(const char* fixFileName) {
    FILE* fixFile = openCommandFile(fixFileName);
    if (fixFile) std::fclose(fixFile);
    if (fixerLoop(console.in) == kFixerEndOfInput && !fixFile && consoleInputEnded()) {
        printOut("\nThe fix file %s cannot be opened and the input ended without go: the run is refused.\n",
                 fixFileName);
        endProcess(kExitRunRefused);
    }
}

// A trials file asked for: only a stochastic run has trials to keep. Its
// temporary files go again however the run ends, unless it ended well.
struct TrialsFileKept {
    explicit TrialsFileKept(const std::string& file) {
        if (file.empty()) return;
        if (model.randomErrors != 1 && model.randomCoefficients != 1) {
            printErr("\nvorn: --trials %s: this is not a stochastic run, so it has no trials to keep.\n",
                     file.c_str());
            endProcess(kExitTrialsFileRefused);
        }
        openTrialsFile(file);
    }
    ~TrialsFileKept() { abandonTrialsFile(); }
    TrialsFileKept(const TrialsFileKept&) = delete;
    TrialsFileKept& operator=(const TrialsFileKept&) = delete;
};

// A run solved and written although commands of its fix file were refused:
// each is named, and the exit code says so.
int reportRefusedCommands() {
    if (model.refusedCommands.empty()) return kExitNormal;
    printOut("\n\nThe fix file's commands that were refused (the run went on without them):\n");
    for (const std::string& command : model.refusedCommands) printOut("  %s\n", command.c_str());
    return kExitRefusedCommands;
}

}  // namespace

int runVorn(int argc, char** argv) {
    VornOptions options;
    argc = takeVornOptions(argc, argv, options);
    model.quietProgress = options.quiet;
    if (answerInformationRequest(argc, argv)) return kExitNormal;
    maskFloatingPointExceptions();
    model.maxIterations = 200;
    model.consoleInput = false;
    model.repeatPending = false;
    model.equationCount = readEquationDimensions();
    configureRun(argc, argv);
    checkRunIsPossible();
    checkInputFiles();
    TrialsFileKept trials(options.trialsFile);
    model.consoleInput = true;

    checkArithmetic("before fixer");
    runFixer(argv[3]);
    if (checkArithmetic("after fixer.")) readChar();

    model.stochasticRun = model.randomErrors == 1 || model.randomCoefficients == 1;
    TrialSums sums;
    if (checkBaseValues() == -1) endProcess(kExitMissingBaseValue);
    reportCarriedValues();
    if (model.stochasticRun) allocateTrialSums(sums);
    allocateShownWorkspace();
    if (model.staticSimulation) allocateStaticTable();
    if (model.maximize) optimise();

    if (!model.stochasticRun)
        runTrial(0);
    else
        runTrials(sums);
    printOut("\nRun complete.");

    printOut("\nWriting variables to bank.");
    showWrittenSeries(writeAllSeries(model.series, model.bankDataFile));
    closeBankFiles();
    if (model.stochasticRun) writeSigmaBank(sums);
    if (trialsFileOpen()) finishTrialsFile();
    if (!showBankStatus(commitBankChanges())) endProcess(kExitBankWrite);
    releaseModelState();
    return reportRefusedCommands();
}
