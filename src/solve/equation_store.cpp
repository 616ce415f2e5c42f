// The equation-result store: a regression's value gets its AR(1) random error
// in a stochastic run and the fix of its dependent series (constant adjustment,
// multiplication, override, decaying rho residual, skip) before it is written.
// Fix values come from the bank (kept in memory after their first reading) on
// the first pass of each period.
#include "solve/equation_store.h"

#include <cmath>

#include "bank/stored_values.h"
#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "base/random.h"

namespace {

// Series `record` at bank period `bankPeriod` as the bank data file holds it.
// A bank that cannot be read there ends the run before anything is written back.
float readBankValue(int32_t record, int32_t bankPeriod) {
    float value = 0.0f;
    if (!readRunValue(record, bankPeriod, value)) {
        printOut("\nCannot read series %d at bank period %d for a fix.\n", record, bankPeriod);
        endProcess(kExitSeriesNotLoaded);
    }
    return value;
}

// A fresh innovation of equation e's error: z * sqrt(1 - rho^2) * SEE.
double freshInnovation(int32_t e) {
    const double rho = model.errorRho[e];
    return normalDeviate(model.random) * std::sqrt(1.0 - rho * rho) * model.errorSee[e];
}

}  // namespace

void storeEquationResult(int32_t seriesIndex, float value, int32_t equation) {
    if (!model.equationErrors) {
        model.equationErrors = allocVector(0, model.equationCount - 1);
        if (!model.equationErrors) endProcess(kExitNoMemoryForErrors);
        for (int32_t e = 0; e < model.equationCount; ++e) model.equationErrors[e] = 0.0f;
    }
    FloatVector& dependent = model.series[seriesIndex];
    const int32_t fix = model.fixOfSeries[seriesIndex];
    const bool basePass = model.currentIndex == model.startIndex;
    if (fix == 0 && !basePass && model.randomErrors == 0) {
        dependent[model.period] = value;
        return;
    }
    if (fix == -1) return;
    const char letter = fix > 0 ? model.fixType[fix] : '\0';
    const bool randomError = model.randomErrors == 1 && model.equationKind[equation] == 's';
    float& error = model.equationErrors[equation];

    if (basePass) {
        if (letter == 'r')
            model.fixValue[fix] = static_cast<float>(
                static_cast<double>(readBankValue(seriesIndex, model.startIndex)) - value);
        if (randomError) error = static_cast<float>(freshInnovation(equation));
        return;  // a regression never writes its dependent at the base period
    }

    if (model.iterationCount == 0) {
        if (letter == 'c' || letter == 'm' || letter == 'o')
            model.fixValue[fix] = readBankValue(model.fixParam[fix], model.currentIndex);
        if (letter == 'r') {
            const float decay = static_cast<float>(static_cast<float>(model.fixParam[fix]) * 0.001);
            model.fixValue[fix] = static_cast<float>(static_cast<double>(decay) * model.fixValue[fix]);
        }
        if (randomError)
            error = static_cast<float>(freshInnovation(equation) +
                                       static_cast<double>(model.errorRho[equation]) * error);
    }
    if (randomError) value = static_cast<float>(static_cast<double>(value) + error);
    if (fix == 0) {
        dependent[model.period] = value;
        return;
    }

    const double adjustment = model.fixValue[fix];
    switch (letter) {
        case 'c':
        case 'r':
            value = static_cast<float>(adjustment + value);
            break;
        case 'm':
            if (adjustment != 0.0) value = static_cast<float>(adjustment * value);
            break;
        case 'o':
            if (adjustment != 0.0) value = static_cast<float>(adjustment);
            break;
        default:
            break;
    }
    dependent[model.period] = value;
}
