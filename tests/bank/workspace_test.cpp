// Record offsets, the run's workspace, loading with lags, writing the solved
// periods back, and the refusal of a run that does not fit the bank.
#include "bank/bank_file.h"
#include "bank_fixture.h"
#include "state/model_state.h"

namespace {

// Record k holds 100k + p at bank period p.
std::vector<RecordBytes> numberedRecords(int count, int length) {
    std::vector<RecordBytes> records;
    for (int k = 0; k < count; ++k) {
        RecordBytes record{4, {}};
        for (int p = 0; p < length; ++p) record.values.push_back(static_cast<float>(100 * k + p));
        records.push_back(record);
    }
    return records;
}

class Workspace : public BankTest {
protected:
    // Three series over bank periods startIndex..startIndex + periodCount.
    void setRun(int32_t start, int32_t periods, std::vector<int8_t> lags) {
        model.seriesCount = static_cast<int32_t>(lags.size());
        model.seriesLags = lags;
        model.startIndex = start;
        model.periodCount = periods;
        model.endIndex = start + periods;
    }
};

TEST_F(Workspace, RecordAndValueOffsets) {
    model.bankLength = 120;
    EXPECT_EQ(recordOffset(0), 86);
    EXPECT_EQ(recordOffset(1), 567);
    EXPECT_EQ(recordOffset(2), 1048);
    EXPECT_EQ(valueOffset(1, 10), 608);
}

TEST_F(Workspace, AllocatesLagSlotsAndZeroVectors) {
    setRun(10, 5, {0, 4});
    model.equationCount = 3;
    model.coefCount = {2, 0, 3};
    ASSERT_EQ(allocateWorkspace(), 0);
    ASSERT_EQ(model.series.size(), 2u);
    EXPECT_EQ(model.series[0].lo, 0);
    EXPECT_EQ(model.series[0].hi, 5);
    EXPECT_EQ(model.series[1].lo, -4);
    EXPECT_EQ(model.series[1].hi, 5);
    for (int t = -4; t <= 5; ++t) EXPECT_EQ(model.series[1][t], 0.0f);
    ASSERT_EQ(model.coef.size(), 3u);
    EXPECT_EQ(model.coef[0].hi, 1);
    EXPECT_FALSE(model.coef[1]);
    EXPECT_EQ(model.coef[2][2], 0.0f);
    EXPECT_EQ(model.errorRho.hi, 2);
    EXPECT_EQ(model.errorSee[2], 0.0f);
}

TEST_F(Workspace, NoEquationsNoCoefficientTables) {
    setRun(0, 3, {1});
    ASSERT_EQ(allocateWorkspace(), 0);
    EXPECT_TRUE(model.coef.empty());
    EXPECT_FALSE(model.errorRho);
    EXPECT_FALSE(model.errorSee);
}

TEST_F(Workspace, SeriesVectorShortageReturnsFailure) {
    setRun(0, 3, {0, 0, 0});
    limitAllocations(2);
    ConsoleCapture capture;
    EXPECT_EQ(allocateWorkspace(), -1);
    limitAllocations(-1);
    EXPECT_EQ(capture.output(),
              "Not enough space.\nNot enough space for a forecast this long. Reduce length of forecast.\n");
    EXPECT_TRUE(model.series[1]);
    EXPECT_FALSE(model.series[2]);
}

TEST_F(Workspace, ErrorVectorShortageExitsSix) {
    setRun(0, 3, {0});
    model.equationCount = 1;
    model.coefCount = {1};
    limitAllocations(2);
    ConsoleCapture capture;
    EXPECT_EQ(exitCodeOf([] { allocateWorkspace(); }), 6);
    limitAllocations(-1);
    EXPECT_EQ(capture.output(), "Not enough space.\n");
}

TEST_F(Workspace, CoefficientShortageExitsThirteen) {
    setRun(0, 3, {0});
    model.equationCount = 1;
    model.coefCount = {4};
    limitAllocations(1);
    ConsoleCapture capture;
    EXPECT_EQ(exitCodeOf([] { allocateWorkspace(); }), 13);
    limitAllocations(-1);
    EXPECT_EQ(capture.output(), "Not enough space.\nMemory all gone.\n");
}

TEST_F(Workspace, LoadsWithLags) {
    openBank(30, {"a", "b", "c"}, numberedRecords(3, 30));
    setRun(10, 5, {0, 4, 2});
    ASSERT_EQ(allocateWorkspace(), 0);
    ASSERT_EQ(loadAllSeries(), 0);
    EXPECT_EQ(model.series[0][0], 10.0f);
    EXPECT_EQ(model.series[0][5], 15.0f);
    EXPECT_EQ(model.series[1][-4], 106.0f);
    EXPECT_EQ(model.series[1][0], 110.0f);
    EXPECT_EQ(model.series[2][-2], 208.0f);
    EXPECT_EQ(model.series[2][5], 215.0f);
}

TEST_F(Workspace, ShortFileLoadsWhatIsThere) {
    openBank(30, {"a", "b"}, numberedRecords(2, 30));
    std::string bytes = dataBytes();
    // Cut record 1 after its value at bank period 12.
    writeFile("bws.bnk", bytes.substr(0, valueOffset(1, 13)));
    std::fclose(model.bankDataFile);
    openBankFile("bws.bnk", &model.bankDataFile);
    setRun(10, 5, {0, 0});
    ASSERT_EQ(allocateWorkspace(), 0);
    model.series[1][4] = 7.0f;
    ASSERT_EQ(loadAllSeries(), 0);
    EXPECT_EQ(model.series[1][2], 112.0f);
    EXPECT_EQ(model.series[1][3], 0.0f);
    EXPECT_EQ(model.series[1][4], 7.0f);
}

TEST_F(Workspace, SeriesBeyondTheEndFails) {
    openBank(30, {"a", "b"}, numberedRecords(1, 30));
    setRun(10, 5, {0, 0});
    ASSERT_EQ(allocateWorkspace(), 0);
    ConsoleCapture capture;
    EXPECT_EQ(loadAllSeries(), -1);
    EXPECT_EQ(capture.output(), "\nCannot read series 1 \n");
}

TEST_F(Workspace, WritesOnlyTheRunsPeriods) {
    openBank(30, {"a", "b", "c"}, numberedRecords(3, 30));
    std::string before = dataBytes();
    setRun(10, 5, {2, 2});
    ASSERT_EQ(allocateWorkspace(), 0);
    for (int i = 0; i < 2; ++i)
        for (int t = -2; t <= 5; ++t) model.series[i][t] = static_cast<float>(-1000 * (i + 1) - t);
    ConsoleCapture capture;
    writeAllSeries(model.series, model.bankDataFile, "variables");
    EXPECT_EQ(capture.output(), "\nWriting variables to bank.");
    std::string after = dataBytes();
    ASSERT_EQ(after.size(), before.size());
    for (long at = 0; at < static_cast<long>(after.size()); ++at) {
        bool written = false;
        for (int i = 0; i < 2; ++i)
            written = written || (at >= valueOffset(i, 10) && at < valueOffset(i, 16));
        if (!written) {
            ASSERT_EQ(after[at], before[at]) << "byte " << at;
        }
    }
    for (int i = 0; i < 2; ++i)
        for (int t = 0; t <= 5; ++t)
            EXPECT_EQ(floatAt(after, valueOffset(i, 10 + t)), static_cast<float>(-1000 * (i + 1) - t));
}

TEST_F(Workspace, FailedWriteExitsEight) {
    openBank(30, {"a"}, numberedRecords(1, 30));
    setRun(10, 5, {0});
    ASSERT_EQ(allocateWorkspace(), 0);
    makeDataReadOnly();
    ConsoleCapture capture;
    EXPECT_EQ(exitCodeOf([] { writeAllSeries(model.series, model.bankDataFile, "variables"); }), 8);
    EXPECT_EQ(capture.output(), "\nWriting variables to bank.\nCannot write series 0\n");
}

TEST_F(Workspace, RunThatFitsIsAccepted) {
    model.bankLength = 30;
    setRun(4, 25, {4, 0});
    ConsoleCapture capture;
    EXPECT_EQ(checkRunFitsBank(), 0);
    EXPECT_EQ(capture.output(), "");
}

TEST_F(Workspace, LagsBeforeTheBankAreRefused) {
    openBank(30, {"a", "GDP"}, numberedRecords(2, 30));
    setRun(3, 5, {2, 4});
    ConsoleCapture capture;
    EXPECT_EQ(checkRunFitsBank(), -1);
    EXPECT_EQ(capture.output(),
              "\nseries 1 (GDP) needs bank period -1 for its 4 lags, before the bank's first period 0.\n");
}

TEST_F(Workspace, UnnamedSeriesIsNamedByNumber) {
    model.bankLength = 30;
    setRun(1, 5, {0, 0, 3});
    ConsoleCapture capture;
    EXPECT_EQ(checkRunFitsBank(), -1);
    EXPECT_EQ(capture.output(),
              "\nseries 2 needs bank period -2 for its 3 lags, before the bank's first period 0.\n");
}

TEST_F(Workspace, NegativeLagIsRefused) {
    model.bankLength = 30;
    setRun(5, 5, {-1});
    ConsoleCapture capture;
    EXPECT_EQ(checkRunFitsBank(), -1);
    EXPECT_EQ(capture.output(), "\nseries 0 has a negative lag -1.\n");
}

TEST_F(Workspace, RunBeyondTheBankIsRefused) {
    model.bankLength = 30;
    setRun(20, 10, {0});
    ConsoleCapture capture;
    EXPECT_EQ(checkRunFitsBank(), -1);
    EXPECT_EQ(capture.output(), "\nThe run ends at bank period 30, beyond the bank's last period 29.\n");
}

TEST_F(Workspace, RunBeforeTheBankIsRefused) {
    model.bankLength = 30;
    setRun(-1, 3, {0});
    ConsoleCapture capture;
    EXPECT_EQ(checkRunFitsBank(), -1);
    EXPECT_EQ(capture.output(), "\nThe run starts at bank period -1, before the bank's first period 0.\n");
}

TEST_F(Workspace, LoadAndWriteRefuseARunOutsideTheBank) {
    openBank(30, {"a", "b"}, numberedRecords(2, 30));
    std::string before = dataBytes();
    setRun(2, 5, {0, 3});
    ASSERT_EQ(allocateWorkspace(), 0);
    ConsoleCapture capture;
    EXPECT_EQ(loadAllSeries(), -1);
    EXPECT_EQ(model.series[1][-3], 0.0f);
    EXPECT_EQ(exitCodeOf([] { writeAllSeries(model.series, model.bankDataFile, "variables"); }), 7);
    EXPECT_EQ(dataBytes(), before);
}

}  // namespace
