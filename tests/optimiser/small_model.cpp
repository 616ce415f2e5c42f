// The optimiser tests' in-memory model and its bank.
#include "small_model.h"

#include <cstdio>

#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/byte_order.h"
#include "state/model_state.h"

namespace {

const float kCoefficients[3][13] = {
    {20.0f, 0.9f, 0.3f, 0.2f, 0.1f, 0.05f, 0.05f, 0.02f, 0.02f, 0.01f, 0.01f, 0.01f, 0.01f},
    {0.2f, 0.1f, 0.05f, 0.02f},
    {10.0f, 0.1f, 0.1f, 0.1f}};
const int kCounts[3] = {13, 4, 4};

}  // namespace

float steadyValue(int s) {
    switch (s) {
        case 1: return 1.0f;
        case 2: return 1700.0f;
        case 4: return 150.0f;
        case 5: return 3000.0f;
        case 6: return 150.0f;
        case 7: return 1000.0f;
        case 8: return 400.0f;
        case 9: return 250.0f;
        case 10: return 1800.0f;
        case 13: return 160.0f;
        case 15: return 250.0f;
        case 18: return 0.16f;
        case 19: return 0.85f;
        case 21: return 0.1f;
        case 24: return 0.2f;
        case 26: return 120.0f;
        case 29: return 0.08f;
        case 31: return 0.05f;
        case 33: return 0.02f;
        default: return 0.0f;
    }
}

void buildSmallModel(int periods) {
    model.seriesCount = kSmallSeries;
    model.periodCount = periods;
    model.startIndex = kSmallStartIndex;
    model.endIndex = kSmallStartIndex + periods;
    model.startDate = 2000.4f;
    model.frequency = 4;
    model.dateStep = 0.1f;
    model.maxIterations = 200;
    model.maximize = 'y';
    model.seriesLags.assign(kSmallSeries, kSmallLags);
    model.fixOfSeries.assign(kSmallSeries, 0);
    model.fixCount = 1;
    model.savedSeries = allocMatrix(0, kSmallSeries - 1, 0, periods);
    for (int s = 0; s < kSmallSeries; ++s) {
        model.series.push_back(allocVector(-kSmallLags, periods));
        for (int t = -kSmallLags; t <= periods; ++t) model.series[s][t] = steadyValue(s);
        for (int t = 0; t <= periods; ++t) model.savedSeries[s][t] = steadyValue(s);
    }
    model.equationCount = 3;
    model.declaredEquationCount = 3;
    model.coefCount = {13, 4, 4};
    model.equationKind = {'n', 'n', 's'};
    for (int e = 0; e < 3; ++e) {
        model.coef.push_back(allocVector(0, kCounts[e] - 1));
        for (int k = 0; k < kCounts[e]; ++k) model.coef[e][k] = kCoefficients[e][k];
    }
    model.errorRho = allocVector(0, 2);
    model.errorSee = allocVector(0, 2);
    for (int e = 0; e < 3; ++e) model.errorRho[e] = model.errorSee[e] = 0.0f;
}

std::string smallHeart() {
    const char* names[3] = {"fixinv", "inventory", "imports"};
    std::string text;
    char number[32];
    for (int e = 0; e < 3; ++e) {
        text += std::string(names[e]) + " equation " + std::to_string(e) + "\ncoeff\n";
        for (int k = 0; k < kCounts[e]; ++k) {
            std::snprintf(number, sizeof number, "%.9g ", static_cast<double>(kCoefficients[e][k]));
            text += number;
        }
        text += "\n";
    }
    text += "rho = 0.5\nSEE = 12\nmatrix\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
    return text;
}

void openSmallBank() {
    FILE* bank = std::fopen("bws.bnk", "w+b");
    writeBankHeader(bank, BankHeader{1995, 1, kSmallBankLength, "optimiser test bank"});
    float values[kSmallBankLength];
    for (int s = 0; s < kSmallSeries; ++s) {
        std::fputc(4, bank);
        for (float& v : values) v = steadyValue(s);
        writeFloats(bank, values, kSmallBankLength);
    }
    std::fflush(bank);
    model.bankDataFile = bank;
    model.bankBaseYear = 1995;
    model.bankBaseMonth = 1;
    model.bankLength = kSmallBankLength;
    model.nameCount = kSmallSeries;
    model.nameOffsets.clear();
    model.namePool.clear();
    for (int s = 0; s < kSmallSeries; ++s) {
        model.nameOffsets.push_back(static_cast<uint16_t>(model.namePool.size()));
        std::string name = "s" + std::to_string(s);
        model.namePool.insert(model.namePool.end(), name.begin(), name.end());
        model.namePool.push_back('\0');
    }
    model.nameOffsets.push_back(static_cast<uint16_t>(model.namePool.size()));
}
