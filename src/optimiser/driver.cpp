// The optimiser's driver: the starting data, the specification, the probing
// cycles around the simplex searches, Changes.chg, the new coefficients.
#include "optimiser/driver.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "bank/bank_file.h"
#include "bank/series_by_name.h"
#include "optimiser/coefficient_file.h"
#include "optimiser/objective.h"
#include "optimiser/simplex.h"
#include "optimiser/spec_file.h"
#include "base/console.h"
#include "base/dates.h"
#include "base/exit.h"
#include "solve/period_loop.h"
#include "state/model_state.h"

namespace {

// The new coefficient file must not replace heart.dat or the specification.
bool coefficientFileIsNew() {
    std::string coefficientFile;
    return !(coefficientFileName(model.specFileName, coefficientFile) && replacesInputFile(coefficientFile));
}

// Both the first cycle's change threshold and the simplex tolerance.
constexpr float kTolerance = 0.0005f;

// The driver's working vectors, released on every way out. Without parameters
// only Y exists: the other ranges would be empty.
struct DriverVectors {
    FloatMatrix P;
    FloatVector Y;
    FloatVector probePoint;
    FloatVector oldValues;

    ~DriverVectors() {
        freeMatrix(P);
        freeVector(Y);
        freeVector(probePoint);
        freeVector(oldValues);
    }
    bool allocate(int n) {
        Y = allocVector(1, n + 1);
        if (!Y) return false;
        if (n == 0) return true;
        P = allocMatrix(1, n + 1, 1, n);
        if (!P) return false;
        probePoint = allocVector(1, n);
        if (!probePoint) return false;
        oldValues = allocVector(1, n);
        return static_cast<bool>(oldValues);
    }
};

// Where parameter p's current value lives.
float& parameterValue(int p) {
    return model.coef[static_cast<size_t>(model.parameterEquation[static_cast<size_t>(p)])]
                     [model.parameterCoefficient[static_cast<size_t>(p)]];
}

// The objective must be one of the model's series.
bool findObjective() {
    const char* name = model.objectiveName.c_str();
    ValueTable table = makeValueTable();
    int32_t k = -1;
    if (readSeries(name, table) == 0) k = findName(model.nameOffsets, model.namePool, name, model.nameCount);
    if (k < 0 || k >= model.seriesCount) {
        printOut("This model does not have a variable named %s,\n", name);
        printOut("the name you gave in the OptSpec file as the variable to be optimized.\n");
        return false;
    }
    model.objectiveSeries = static_cast<int16_t>(k);
    return true;
}

float evaluateVertex(FloatMatrix& P, FloatVector& probePoint, int i, int n, ObjectiveFunction f) {
    for (int j = 1; j <= n; ++j) probePoint[j] = P[i][j];
    return f(probePoint);
}

// Moves coordinate j of vertex i by `amount` steps h and evaluates it there.
float moveAndEvaluate(FloatMatrix& P, FloatVector& probePoint, int i, int j, double amount, float h,
                      ObjectiveFunction f) {
    P[i][j] = static_cast<float>(P[i][j] + amount * h);
    probePoint[j] = P[i][j];
    return f(probePoint);
}

bool noSignificantChange(const FloatVector& Y, int n) {
    float total = 0.0f;
    for (int i = 2; i <= n + 1; ++i)
        total = static_cast<float>(total + std::fabs(static_cast<double>(Y[i]) - Y[i - 1]));
    return total < kTolerance;
}

float lowestValue(const FloatVector& Y, int n) {
    float m = Y[1];
    for (int i = 2; i <= n + 1; ++i)
        if (Y[i] < m) m = Y[i];
    return m;
}

// The report on the console and in Changes.chg; false when the file fails.
bool writeChanges(const DriverVectors& w, int runs, int n) {
    FILE* changes = std::fopen("Changes.chg", "w");
    if (!changes) {
        printOut("Could not create Changes.chg.\n");
        return false;
    }
    printOut("\nResulting coeficients after maximization (%d runs).\n", runs);
    printOut("Variable\tOld:\t\t\tNew:\n");
    std::fprintf(changes, "\nResulting coeficients after maximization (%d runs).\n", runs);
    std::fprintf(changes, "Variable\tOld:\t\t\tNew:\n");
    for (int p = 0; p < n; ++p) {
        const char* name = model.parameterNames[static_cast<size_t>(p)].c_str();
        double oldValue = w.oldValues[p + 1];
        double newValue = w.P[1][p + 1];
        printOut("%s\t\t%8.4f\t\t%8.4f\n", name, oldValue, newValue);
        std::fprintf(changes, "%s\t\t%8.4f\t\t%8.4f\n", name, oldValue, newValue);
    }
    printOut("\nThis information is in the file Changes.chg.\n");
    bool failed = std::ferror(changes) != 0;
    if (std::fclose(changes) != 0 || failed) {
        printOut("Could not write Changes.chg.\n");
        return false;
    }
    return true;
}

// Cycles of probing and search; the number of runs for the report, or 0 on failure.
int searchCycles(DriverVectors& w, int n) {
    for (int c = 1;; ++c) {
        for (int i = 1; i <= n + 1; ++i)
            for (int j = 1; j <= n; ++j) w.P[i][j] = c == 1 ? parameterValue(j - 1) : w.P[1][j];
        probeVertices(w.P, w.Y, w.probePoint, n, evaluateObjective);
        if (c == 1) {
            if (noSignificantChange(w.Y, n)) {
                printOut("There was no significant change in the objective function.\n");
                printOut("Revise the step size and/or the objective function.\n");
                return 0;
            }
            for (int j = 1; j <= n; ++j) w.oldValues[j] = w.P[1][j];
        } else {
            float m = lowestValue(w.Y, n);
            if (!probingImproved(m, w.Y[1])) return c + 1;
            printOut("Simplex Optimum was %12.6f; Probing found %12.6f.\n", static_cast<double>(w.Y[1]),
                     static_cast<double>(m));
        }
        if (!simplexSearch(w.P, w.Y, n, kTolerance, evaluateObjective)) return 0;
    }
}

}  // namespace

void probeVertices(FloatMatrix& P, FloatVector& Y, FloatVector& probePoint, int n, ObjectiveFunction f) {
    for (int i = 1; i <= n + 1; ++i) {
        const int j = i - 1;
        if (i == 1) {
            Y[i] = evaluateVertex(P, probePoint, i, n, f);
            continue;
        }
        const float h = model.parameterStep[static_cast<size_t>(i - 2)];
        P[i][j] = static_cast<float>(P[i][j] + static_cast<double>(h));
        Y[i] = evaluateVertex(P, probePoint, i, n, f);
        if (!(Y[i] > Y[1])) continue;
        const float plus = Y[i];
        Y[i] = moveAndEvaluate(P, probePoint, i, j, -2.0, h, f);
        if (plus < Y[i])
            Y[i] = moveAndEvaluate(P, probePoint, i, j, 1.1, h, f);
        else if (Y[1] < Y[i])
            Y[i] = moveAndEvaluate(P, probePoint, i, j, 0.9, h, f);
    }
}

bool probingImproved(float m, float y1) {
    const double optimum = y1;
    if (optimum >= 0) return m * 1.0001 < optimum;
    // A negative optimum is compared with the same relative margin below it;
    // an undefined value ends the cycles.
    return m < optimum - 0.0001 * std::fabs(optimum);
}

bool checkOptimiserFiles() { return readSpecificationFile(model.specFileName) && coefficientFileIsNew(); }

bool runOptimiser() {
    printOut("\n\nLoading time series data.\n");
    if (loadAllSeries() == -1) endProcess(kExitSeriesNotLoaded);
    printOut("Time series data loaded. Load coefficients.\n");
    for (int32_t s = 0; s < model.seriesCount; ++s)
        for (int32_t t = 0; t <= model.periodCount; ++t) model.savedSeries[s][t] = model.series[s][t];
    if (!readOptimiserSpec()) return false;
    if (!findObjective()) return false;
    if (!coefficientFileIsNew()) return false;

    const int n = model.parameterCount;
    DriverVectors w;
    if (!w.allocate(n)) return false;
    stepDatesAtRunFrequency();

    const int runs = searchCycles(w, n);
    if (runs == 0) return false;
    if (!writeChanges(w, runs, n)) return false;
    for (int p = 0; p < n; ++p) parameterValue(p) = w.P[1][p + 1];
    restoreSavedSeries();
    if (!writeOptimisedCoefficients()) return false;
    printOut("\nPress any key to run the model with the new coefficients.\n");
    readKey();
    return true;
}
