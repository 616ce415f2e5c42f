// The run sequence: start-up, the fixer, the workspace, the chosen kind of run,
// the bank writes and the teardown.
#include "run/run.h"

#include <algorithm>
#include <cmath>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "fixer/add_command.h"
#include "fixer/command_loop.h"
#include "optimiser/driver.h"
#include "base/arithmetic.h"
#include "run/config.h"
#include "base/console.h"
#include "base/exit.h"
#include "run/options.h"
#include "run/progress.h"
#include "stochastic/trials_file.h"
#include "solve/missing_values.h"
#include "solve/model_requirements.h"
#include "solve/period_loop.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

namespace {

// A stochastic run gives up when this many of its trials have failed to converge.
int32_t discardLimit() { return 10 * int32_t{model.drawCount} + 100; }

// Refuses, before the fixer touches the bank, a run the model or the bank cannot hold.
void checkRunIsPossible() {
    if (model.periodCount < 0) {
        printOut("\nThe end date comes before the start date.\n");
        endProcess(1);
    }
    if (model.seriesCount > model.nameCount) {
        printOut("\nvorn.lag declares %d series, but the bank holds only %d.\n", model.seriesCount,
                 model.nameCount);
        endProcess(1);
    }
    if (checkRunFitsBank() == -1 || checkModelRequirements() == -1) endProcess(1);
}

// Files the run would stop at after the fixer has written to the bank are read
// and checked before it: heart.dat, and the optimiser's specification.
void checkInputFiles() {
    readNamedCoefficients(false);
    if (model.maximize && !checkOptimiserFiles()) {
        printOut("An error occured during maximization.\n");
        endProcess(3);
    }
}

[[noreturn]] void tableTooLarge(const char* what, int32_t rows, int32_t columns) {
    unsigned long bytes = static_cast<unsigned long>(rows) * sizeof(FloatVector) +
                          static_cast<unsigned long>(rows) * static_cast<unsigned long>(columns < 0 ? 0 : columns) *
                              sizeof(float);
    printOut("%s", what);
    printOut("%lu more bytes required.\n", bytes);
    endProcess(5);
}

void clearAccumulator(DoubleMatrix& m) {
    for (int32_t s = m.rlo; s <= m.rhi; ++s)
        for (int32_t t = m[s].lo; t <= m[s].hi; ++t) m[s][t] = 0.0;
}

// The progress line is cleared however the trials end.
struct ProgressLineShown {
    explicit ProgressLineShown(int32_t wanted) { startProgressLine(wanted); }
    ~ProgressLineShown() { clearProgressLine(); }
    ProgressLineShown(const ProgressLineShown&) = delete;
    ProgressLineShown& operator=(const ProgressLineShown&) = delete;
};

void runTrials(DoubleMatrix& means, DoubleMatrix& squares, int32_t& totalTrials, int32_t& discarded) {
    totalTrials = 0;
    discarded = 0;
    int32_t accepted = 0;
    const bool keepTrials = trialsFileOpen();
    ProgressLineShown progress(model.drawCount);
    while (accepted < model.drawCount) {
        ++totalTrials;
        if (runTrial(totalTrials) == 0) {
            updateProgressLine(accepted, discarded + 1);
            if (++discarded >= discardLimit()) {
                clearProgressLine();
                printOut("\nGiving up: %d of %d trials did not converge (%d accepted of %d wanted).\n", discarded,
                         totalTrials, accepted, model.drawCount);
                endProcess(3);
            }
            continue;
        }
        // Row by row: every element's sums are its own, whatever the order.
        const double draws = model.drawCount;
        for (int32_t s = 0; s < model.seriesCount; ++s) {
            const float* trial = &model.series[s][0];
            double* mean = &means[s][0];
            double* square = &squares[s][0];
            for (int32_t t = 0; t <= model.periodCount; ++t) {
                const double x = trial[t];
                mean[t] = mean[t] + x / draws;
                square[t] = square[t] + x * x / draws;
            }
        }
        if (keepTrials) writeTrial();
        ++accepted;
        updateProgressLine(accepted, discarded);
    }
    for (int32_t t = 0; t <= model.periodCount; ++t)
        for (int32_t s = 0; s < model.seriesCount; ++s) model.series[s][t] = static_cast<float>(means[s][t]);
}

void writeSigmaBank(const DoubleMatrix& means, DoubleMatrix& squares, int32_t totalTrials, int32_t discarded) {
    for (int32_t t = 0; t <= model.periodCount; ++t) {
        for (int32_t s = 0; s < model.seriesCount; ++s) {
            double variance = squares[s][t] - means[s][t] * means[s][t];
            squares[s][t] = variance >= 0.0001 ? std::sqrt(variance) : 0.0;
        }
    }
    openBank(kSigmaData, kSigmaIndex);
    for (int32_t t = 0; t <= model.periodCount; ++t)
        for (int32_t s = 0; s < model.seriesCount; ++s) model.series[s][t] = static_cast<float>(squares[s][t]);
    writeAllSeries(model.series, model.bankDataFile, "sigma");
    // The rest of the title field keeps what the copied bank had.
    char title[kBankTitleSize + 1];
    int length = std::snprintf(title, sizeof title, "Sigma bank with %d trials.", model.drawCount);
    writeBankBytes(model.bankDataFile, kBankTitleOffset, title, static_cast<size_t>(std::min(length, kBankTitleSize)));
    printOut("\n");
    printOut("\nTotal trials are\t %3d", totalTrials);
    printOut("\nNonconverged trials (discarded) are %3d", discarded);
    printOut("\nEffective trials are\t%3d", model.drawCount);
    printOut("\n");
    closeBankFiles();
}

// A stochastic run's sums of values and of squares, released however the run ends.
struct Accumulators {
    DoubleMatrix means;
    DoubleMatrix squares;
    Accumulators() = default;
    ~Accumulators() {
        freeDoubleMatrix(means);
        freeDoubleMatrix(squares);
    }
    Accumulators(const Accumulators&) = delete;
    Accumulators& operator=(const Accumulators&) = delete;
};

// Zeroed accumulators of a stochastic run: means (exit 3) and mean squares (exit 4).
void allocateAccumulators(DoubleMatrix& means, DoubleMatrix& squares) {
    means = allocDoubleMatrix(0, model.seriesCount - 1, 0, model.periodCount);
    if (!means) endProcess(3);
    clearAccumulator(means);
    squares = allocDoubleMatrix(0, model.seriesCount - 1, 0, model.periodCount);
    if (!squares) endProcess(4);
    clearAccumulator(squares);
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
        endProcess(3);
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
        endProcess(1);
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
            endProcess(2);
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
    if (model.refusedCommands.empty()) return 0;
    printOut("\n\nThe fix file's commands that were refused (the run went on without them):\n");
    for (const std::string& command : model.refusedCommands) printOut("  %s\n", command.c_str());
    return kExitRefusedCommands;
}

}  // namespace

int runVorn(int argc, char** argv) {
    VornOptions options;
    argc = takeVornOptions(argc, argv, options);
    model.quietProgress = options.quiet;
    if (answerInformationRequest(argc, argv)) return 0;
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
    Accumulators sums;
    DoubleMatrix& means = sums.means;
    DoubleMatrix& squares = sums.squares;
    if (checkBaseValues() == -1) endProcess(kExitMissingBaseValue);
    reportCarriedValues();
    if (model.stochasticRun) allocateAccumulators(means, squares);
    if (allocateWorkspace() == -1) endProcess(1);
    if (model.staticSimulation) allocateStaticTable();
    if (model.maximize) optimise();

    int32_t totalTrials = 0;
    int32_t discarded = 0;
    if (!model.stochasticRun) {
        runTrial(0);
    } else {
        if (model.clockSeed >= 0)
            printOut("\nSeed %d (from the clock); give %d as the seventh word to repeat this run.\n", model.clockSeed,
                     model.clockSeed);
        runTrials(means, squares, totalTrials, discarded);
    }
    printOut("\nRun complete.");

    writeAllSeries(model.series, model.bankDataFile, "variables");
    closeBankFiles();
    if (model.stochasticRun) writeSigmaBank(means, squares, totalTrials, discarded);
    if (trialsFileOpen()) finishTrialsFile();
    if (commitBankChanges() != 0) endProcess(kExitBankWrite);
    releaseModelState();
    return reportRefusedCommands();
}
