// The solve tests' model and bank.
#include "solve/solve_fixture.h"

#include <cstdio>

#include "bank/bank_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "support/bank_files.h"

void SolveTest::SetUp() {
    ModelTest::SetUp();
    bank.assign(kRecords, std::vector<float>(kBankLength, 0.0f));
    coefficients = {std::vector<float>(13, 0.0f), std::vector<float>(4, 0.0f),
                    std::vector<float>(4, 0.0f)};
}

void SolveTest::makeModel(int32_t periods) {
    model.seriesCount = kSeries;
    model.seriesLags.assign(kSeries, kLags);
    model.periodCount = periods;
    model.startIndex = kStart;
    model.endIndex = kStart + periods;
    model.bankLength = kBankLength;
    model.equationCount = 3;
    model.declaredEquationCount = 3;
    model.equationKind = {'s', 's', 's'};
    model.coefCount = {13, 4, 4};
    ASSERT_EQ(allocateWorkspace().error, BankError::none);
    model.fixOfSeries.assign(kSeries, 0);
    model.fixCount = 1;
    model.maxIterations = 200;
    model.staticSimulation = false;
    model.maximize = false;
    model.frequency = 4;
    model.runFrequency = 4;
    model.startDate = 1995.1f;
}

void SolveTest::openBank() {
    std::vector<RecordBytes> records;
    for (const std::vector<float>& values : bank) records.push_back({4, values});
    writeFile("bws.bnk", dataFileBytes(1992, 1, kBankLength, records, ""));
    model.bankDataFile = std::fopen("bws.bnk", "r+b");
    ASSERT_NE(model.bankDataFile, nullptr);
}

void SolveTest::changeBankValue(int record, int32_t bankPeriod, float value) {
    const std::string bytes = le32(value);
    ASSERT_EQ(std::fseek(model.bankDataFile, static_cast<long>(bankValueOffset(record, bankPeriod, kBankLength)),
                         SEEK_SET), 0);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), model.bankDataFile), bytes.size());
    std::fflush(model.bankDataFile);
}

void SolveTest::writeHeartDat(float rho, float see) {
    FILE* out = std::fopen("heart.dat", "w");
    const char* names[] = {"invest", "invent", "imports"};
    for (int e = 0; e < 3; ++e) {
        const int n = static_cast<int>(coefficients[e].size());
        FloatMatrix matrix = allocMatrix(0, n - 1, 0, n - 1);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k) matrix[i][k] = 0.0f;
        writeCoefficientBlock(out, names[e], 's', coefficients[e].data(), n, rho, see, matrix);
        freeMatrix(matrix);
    }
    std::fclose(out);
}

void SolveTest::setRecord(int record, float value) {
    for (float& v : bank[record]) v = value;
}

void SolveTest::fillConvergingEconomy() {
    const std::vector<std::pair<int, float>> values = {
        {1, 1.0f},     {2, 1500.0f}, {3, 10.0f},    {4, 100.0f},  {5, 2000.0f}, {6, 100.0f},
        {7, 800.0f},   {8, 500.0f},  {9, 300.0f},   {10, 1500.0f}, {11, 10.0f}, {12, 5.0f},
        {13, 105.0f},  {15, 250.0f}, {18, 0.16f},   {19, 0.85f},  {21, 0.1f},   {24, 0.2f},
        {26, 100.0f},  {29, 0.08f},  {31, 0.05f},   {33, 0.02f}};
    for (const auto& [record, value] : values) setRecord(record, value);
}

void SolveTest::fillOscillatingEconomy() {
    setRecord(1, 1.0f);
    setRecord(21, 1.0f);  // capital consumption takes all of output
    setRecord(26, 100.0f);
    setRecord(7, 0.0f);
}
