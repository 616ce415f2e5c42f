// The solver's costs on the example working directory (20 quarters from
// 2000.4, random errors and coefficients): one model pass, one period solved
// to convergence, one stochastic trial, the same trial's passes and deviates
// alone, one objective evaluation of the optimiser; then the whole process
// of 10,000 trials through bench/stochastic.sh. Prints the two ratios the
// trials are held to.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bank/bank_file.h"
#include "bank/name_index.h"
#include "counting.h"
#include "optimiser/objective.h"
#include "optimiser/spec_file.h"
#include "prepared_run.h"
#include "base/dates.h"
#include "solve/model.h"
#include "solve/period_loop.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "stochastic/coefficient_draws.h"
#include "stochastic/trial_loop.h"

namespace {

constexpr int kProcessTrials = 10000;
constexpr double kTrialTarget = 2.0;
constexpr double kProcessTarget = 2.5;

// Passes and deviates per trial, as the trial benchmark counted them.
double trialPasses = 0.0;
double trialDeviates = 0.0;

// The same random stream in every benchmark and every run of them.
void prepareStochasticRun() { prepareRun({"2000.4", "2005.4", "plain.fix", "1", "1", "1", "12345"}); }

// Counts per iteration of the loop that started at `before`.
void reportCounts(benchmark::State& state, const Counts& before) {
    const Counts after = currentCounts();
    const double n = static_cast<double>(state.iterations());
    state.counters["allocs"] = static_cast<double>(after.allocations - before.allocations) / n;
    state.counters["passes"] = static_cast<double>(after.passes - before.passes) / n;
    state.counters["deviates"] = static_cast<double>(after.deviates - before.deviates) / n;
}

// Loaded series and drawn coefficients, the base pass made and the dates set
// for the periods, as a trial has them before its first period.
void startTrialByHand() {
    if (loadAllSeries().error != BankError::none) throw std::runtime_error("cannot load the series");
    model.period = 0;
    model.currentIndex = model.startIndex;
    model.currentDate = model.startDate;
    readCoefficients();
    drawCoefficients();
    model.maximize = false;
    passConverged();
}

void onePass(benchmark::State& state) {
    prepareStochasticRun();
    startTrialByHand();
    beginPeriod(1);
    passConverged();  // the first pass of a period reads the fixes and draws the errors
    model.iterationCount = 1;
    const Counts before = currentCounts();
    for (auto _ : state) evaluateModel();
    reportCounts(state, before);
}

void onePeriodToConvergence(benchmark::State& state) {
    prepareStochasticRun();
    startTrialByHand();
    std::vector<float> loaded;
    for (int32_t i = 0; i < model.seriesCount; ++i) loaded.push_back(model.series[i][1]);
    const Counts before = currentCounts();
    for (auto _ : state) {
        for (int32_t i = 0; i < model.seriesCount; ++i) model.series[i][1] = loaded[static_cast<size_t>(i)];
        model.currentDate = model.startDate;
        beginPeriod(1);
        while (!passConverged()) ++model.iterationCount;
    }
    reportCounts(state, before);
}

void oneTrial(benchmark::State& state) {
    prepareStochasticRun();
    int32_t trial = 0;
    const Counts before = currentCounts();
    for (auto _ : state) runStochasticTrial(++trial);
    reportCounts(state, before);
    trialPasses = state.counters["passes"];
    trialDeviates = state.counters["deviates"];
}

// The arithmetic of one trial: as many model passes and normal deviates as the
// trial benchmark counted per trial, and nothing else.
void oneTrialsPassesAndDeviates(benchmark::State& state) {
    prepareStochasticRun();
    startTrialByHand();
    beginPeriod(1);
    passConverged();
    model.iterationCount = 1;
    const long passes = std::lround(trialPasses);
    const long deviates = std::lround(trialDeviates);
    if (passes == 0) {
        state.SkipWithError("the trial benchmark has not run");
        return;
    }
    for (auto _ : state) {
        for (long p = 0; p < passes; ++p) uncountedPass();
        for (long d = 0; d < deviates; ++d) benchmark::DoNotOptimize(uncountedDeviate(model.random));
    }
}

void oneObjectiveEvaluation(benchmark::State& state) {
    prepareRun({"2000.4", "2005.4", "plain.fix", "m", "opt.spec"});
    model.savedSeries = allocMatrix(0, model.seriesCount - 1, 0, model.periodCount);
    if (loadAllSeries().error != BankError::none || !readOptimiserSpec()) throw std::runtime_error("cannot start the optimiser");
    for (int32_t s = 0; s < model.seriesCount; ++s)
        for (int32_t t = 0; t <= model.periodCount; ++t) model.savedSeries[s][t] = model.series[s][t];
    model.objectiveSeries = static_cast<int16_t>(
        findName(model.nameOffsets, model.namePool, model.objectiveName.c_str(), model.nameCount));
    FloatVector point = allocVector(1, model.parameterCount);
    for (int p = 0; p < model.parameterCount; ++p)
        point[p + 1] = model.coef[model.parameterEquation[static_cast<size_t>(p)]]
                                 [model.parameterCoefficient[static_cast<size_t>(p)]];
    const Counts before = currentCounts();
    for (auto _ : state) benchmark::DoNotOptimize(evaluateObjective(point));
    reportCounts(state, before);
    freeVector(point);
}

BENCHMARK(onePass);
BENCHMARK(onePeriodToConvergence)->Unit(benchmark::kMicrosecond);
BENCHMARK(oneTrial)->Unit(benchmark::kMicrosecond);
BENCHMARK(oneTrialsPassesAndDeviates)->Unit(benchmark::kMicrosecond);
BENCHMARK(oneObjectiveEvaluation)->Unit(benchmark::kMicrosecond);

// The console report, keeping each benchmark's CPU time per iteration in microseconds.
// Colours only on a terminal.
class KeepingReporter : public benchmark::ConsoleReporter {
public:
    KeepingReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, double> microseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred)
                microseconds[run.benchmark_name()] =
                    run.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};

// CPU seconds of vorn running kProcessTrials trials, from bench/stochastic.sh; negative on failure.
double processSeconds() {
    const std::string command =
        std::string(BENCH_DIR) + "/stochastic.sh " + std::to_string(kProcessTrials) + " " + BUILD_DIR;
    FILE* script = popen(command.c_str(), "r");
    if (!script) return -1.0;
    char line[256] = "";
    double elapsed = 0.0, cpu = -1.0;
    bool read = std::fgets(line, sizeof line, script) != nullptr;
    if (pclose(script) != 0 || !read) return -1.0;
    std::printf("%s", line);
    if (std::sscanf(line, "vorn, %*d trials of 20 quarters: %lf s elapsed, %lf s CPU", &elapsed, &cpu) != 2)
        return -1.0;
    return cpu;
}

void printRatio(const char* what, double cost, double arithmetic, const char* unit, double target) {
    const double ratio = cost / arithmetic;
    std::printf("%s: %.3f %s / %.3f %s = %.2f (target at most %.1f: %s)\n", what, cost, unit, arithmetic, unit,
                ratio, target, ratio <= target ? "met" : "NOT met");
}

void printFigures(const KeepingReporter& reporter) {
    auto trial = reporter.microseconds.find("oneTrial");
    auto arithmetic = reporter.microseconds.find("oneTrialsPassesAndDeviates");
    if (trial == reporter.microseconds.end() || arithmetic == reporter.microseconds.end()) return;
    std::printf("\nA trial makes %.1f passes and draws %.1f deviates.\n", trialPasses, trialDeviates);
    printRatio("trial / its passes and deviates", trial->second, arithmetic->second, "us", kTrialTarget);
    const double seconds = processSeconds();
    if (seconds < 0) {
        std::printf("bench/stochastic.sh failed\n");
        return;
    }
    printRatio("10000 trials as a process / 10000 x passes and deviates", seconds,
               arithmetic->second * kProcessTrials / 1e6, "s", kProcessTarget);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    KeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    endPreparedRun();
    printFigures(reporter);
    benchmark::Shutdown();
    return 0;
}
