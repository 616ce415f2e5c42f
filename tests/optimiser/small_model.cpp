// The optimiser tests' in-memory model and its bank.
#include "small_model.h"

#include <cstdio>
#include <vector>

#include "bank/name_index.h"
#include "state/model_state.h"
#include "support/bank_files.h"
#include "support/harness.h"

namespace {

const std::vector<std::vector<float>> kCoefficients = {
    {20.0f, 0.9f, 0.3f, 0.2f, 0.1f, 0.05f, 0.05f, 0.02f, 0.02f, 0.01f, 0.01f, 0.01f, 0.01f},
    {0.2f, 0.1f, 0.05f, 0.02f},
    {10.0f, 0.1f, 0.1f, 0.1f}};

// Each series' steady value, s0 first.
const float kSteady[kSmallSeries] = {0, 1, 1700, 0, 150, 3000, 150, 1000, 400, 250, 1800, 0,
                                     0, 160, 0, 250, 0, 0, 0.16f, 0.85f, 0, 0.1f, 0, 0,
                                     0.2f, 0, 120, 0, 0, 0.08f, 0, 0.05f, 0, 0.02f, 0, 0};

}  // namespace

float steadyValue(int s) { return kSteady[s]; }

void buildSmallModel(int periods) {
    model.seriesCount = kSmallSeries;
    model.periodCount = periods;
    model.startIndex = kSmallStartIndex;
    model.endIndex = kSmallStartIndex + periods;
    model.startDate = 2000.4f;
    model.frequency = 4;
    model.runFrequency = 4;
    model.maxIterations = 200;
    model.maximize = true;
    model.seriesLags.assign(kSmallSeries, kSmallLags);
    model.fixOfSeries.assign(kSmallSeries, 0);
    model.fixCount = 1;
    model.savedSeries = allocMatrix(0, kSmallSeries - 1, 0, periods);
    for (int s = 0; s < kSmallSeries; ++s) {
        model.series.push_back(allocVector(-kSmallLags, periods));
        for (int t = -kSmallLags; t <= periods; ++t) model.series[s][t] = kSteady[s];
        for (int t = 0; t <= periods; ++t) model.savedSeries[s][t] = kSteady[s];
    }
    model.equationCount = model.declaredEquationCount = 3;
    model.equationKind = {'n', 'n', 's'};
    model.errorRho = allocVector(0, 2);
    model.errorSee = allocVector(0, 2);
    for (int e = 0; e < 3; ++e) {
        const std::vector<float>& values = kCoefficients[static_cast<size_t>(e)];
        model.coefCount.push_back(static_cast<int16_t>(values.size()));
        model.coef.push_back(allocVector(0, static_cast<int32_t>(values.size()) - 1));
        for (size_t k = 0; k < values.size(); ++k) model.coef[e][static_cast<int32_t>(k)] = values[k];
        model.errorRho[e] = model.errorSee[e] = 0.0f;
    }
}

std::string smallHeart() {
    const char* names[3] = {"fixinv", "inventory", "imports"};
    std::string text;
    char number[32];
    for (size_t e = 0; e < 3; ++e) {
        text += std::string(names[e]) + " equation " + std::to_string(e) + "\ncoeff\n";
        for (float value : kCoefficients[e]) {
            std::snprintf(number, sizeof number, "%.9g ", static_cast<double>(value));
            text += number;
        }
        text += "\n";
    }
    return text + "rho = 0.5\nSEE = 12\nmatrix\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
}

void openSmallBank() {
    std::vector<RecordBytes> records;
    for (int s = 0; s < kSmallSeries; ++s) {
        records.push_back({4, std::vector<float>(kSmallBankLength, kSteady[s])});
        AppendedName added;
        int32_t position;
        appendName(("s" + std::to_string(s)).c_str(), added, position);
    }
    writeFile("bws.bnk", dataFileBytes(1995, 1, kSmallBankLength, records, "optimiser test bank"));
    model.bankDataFile = std::fopen("bws.bnk", "r+b");
    model.bankBaseYear = 1995;
    model.bankBaseMonth = 1;
    model.bankLength = kSmallBankLength;
}
