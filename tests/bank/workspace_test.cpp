// Record offsets, the run's workspace, loading with lags, writing the solved
// periods back, and the refusal of a run that does not fit the bank.
#include "bank/bank_file.h"
#include "bank/series_by_name.h"
#include "bank_fixture.h"
#include "fixer/bank_report.h"
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
    // A 30-period bank of `records` numbered records under the first `names` of
    // a, b, c, and a run over it with its workspace.
    void startRun(int records, int names, int32_t start, int32_t periods, std::vector<int8_t> lags) {
        const std::vector<std::string> all = {"a", "b", "c"};
        openBank(30, {all.begin(), all.begin() + names}, numberedRecords(records, 30));
        setRun(start, periods, lags);
        ASSERT_EQ(allocateWorkspace().error, BankError::none);
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
    ASSERT_EQ(allocateWorkspace().error, BankError::none);
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
    ASSERT_EQ(allocateWorkspace().error, BankError::none);
    EXPECT_TRUE(model.coef.empty());
    EXPECT_FALSE(model.errorRho);
    EXPECT_FALSE(model.errorSee);
}

TEST_F(Workspace, SeriesVectorShortageReturnsFailure) {
    setRun(0, 3, {0, 0, 0});
    limitAllocations(2);
    ConsoleCapture capture;
    BankStatus allocated = allocateWorkspace();
    limitAllocations(-1);
    EXPECT_EQ(allocated.error, BankError::noSeriesMemory);
    EXPECT_EQ(capture.output() + allocated.message,
              "Not enough space.\nNot enough space for a forecast this long. Reduce length of forecast.\n");
    EXPECT_TRUE(model.series[1]);
    EXPECT_FALSE(model.series[2]);
}

TEST_F(Workspace, ErrorOrCoefficientShortageIsNamed) {
    struct Case {
        int16_t coefficients;
        int allocations;
        BankError error;
        const char* message;
    };
    for (const Case& c : {Case{1, 2, BankError::noRhoMemory, "Not enough space.\n"},  // the error vectors
                          Case{4, 1, BankError::noCoefficientMemory, "Not enough space.\nMemory all gone.\n"}}) {
        SCOPED_TRACE(c.message);
        resetModelState();
        setRun(0, 3, {0});
        model.equationCount = 1;
        model.coefCount = {c.coefficients};
        limitAllocations(c.allocations);
        ConsoleCapture capture;
        const BankStatus allocated = allocateWorkspace();
        limitAllocations(-1);
        EXPECT_EQ(allocated.error, c.error);
        EXPECT_EQ(capture.output() + allocated.message, c.message);
    }
}

TEST_F(Workspace, LoadsWithLags) {
    startRun(3, 3, 10, 5, {0, 4, 2});
    ASSERT_EQ(loadAllSeries().error, BankError::none);
    EXPECT_EQ(model.series[0][0], 10.0f);
    EXPECT_EQ(model.series[0][5], 15.0f);
    EXPECT_EQ(model.series[1][-4], 106.0f);
    EXPECT_EQ(model.series[1][0], 110.0f);
    EXPECT_EQ(model.series[2][-2], 208.0f);
    EXPECT_EQ(model.series[2][5], 215.0f);
}

TEST_F(Workspace, ShortFileLoadsWhatIsThere) {
    startRun(2, 2, 10, 5, {0, 0});
    std::string bytes = dataBytes();
    // Cut record 1 after its value at bank period 12.
    writeFile("bws.bnk", bytes.substr(0, valueOffset(1, 13)));
    std::fclose(model.bankDataFile);
    openBankFile("bws.bnk", &model.bankDataFile);
    model.series[1][4] = 7.0f;
    ASSERT_EQ(loadAllSeries().error, BankError::none);
    EXPECT_EQ(model.series[1][2], 112.0f);
    EXPECT_EQ(model.series[1][3], 0.0f);
    EXPECT_EQ(model.series[1][4], 7.0f);
    model.series[1][3] = 9.0f;  // as a trial leaves it: the next loading reads the file again
    model.series[1][2] = 9.0f;
    ASSERT_EQ(loadAllSeries().error, BankError::none);
    EXPECT_EQ(model.series[1][2], 112.0f);
    EXPECT_EQ(model.series[1][3], 9.0f);
}

TEST_F(Workspace, LaterLoadingsGiveWhatTheBankHoldsThen) {
    startRun(3, 3, 10, 5, {0, 4, 2});
    ASSERT_EQ(loadAllSeries().error, BankError::none);
    for (int i = 0; i < 3; ++i)
        for (int t = model.series[i].lo; t <= 5; ++t) model.series[i][t] = -1.0f;  // as a trial leaves them
    ASSERT_EQ(loadAllSeries().error, BankError::none);
    EXPECT_EQ(model.series[1][-4], 106.0f);
    EXPECT_EQ(model.series[2][5], 215.0f);
    ValueTable changed = makeValueTable();
    for (int p = 0; p < 30; ++p) changed[p] = static_cast<float>(-p);
    ASSERT_EQ(write("c", changed), 2);
    ASSERT_EQ(loadAllSeries().error, BankError::none);
    EXPECT_EQ(model.series[2][-2], -8.0f);
    EXPECT_EQ(model.series[0][0], 10.0f);
}

TEST_F(Workspace, SeriesBeyondTheEndFails) {
    startRun(1, 2, 10, 5, {0, 0});
    BankStatus loaded = loadAllSeries();
    EXPECT_EQ(loaded.error, BankError::notRead);
    EXPECT_EQ(loaded.message, "\nCannot read series 1 \n");
}

TEST_F(Workspace, WritesOnlyTheRunsPeriods) {
    startRun(3, 3, 10, 5, {2, 2});
    std::string before = dataBytes();
    for (int i = 0; i < 2; ++i)
        for (int t = -2; t <= 5; ++t) model.series[i][t] = static_cast<float>(-1000 * (i + 1) - t);
    BankStatus written = writeAllSeries(model.series, model.bankDataFile);
    EXPECT_EQ(written.error, BankError::none);
    EXPECT_EQ(written.message, "");
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
    startRun(1, 1, 10, 5, {0});
    makeDataReadOnly();
    ConsoleCapture capture;
    EXPECT_EQ(exitCodeOf([] { showWrittenSeries(writeAllSeries(model.series, model.bankDataFile)); }), 8);
    EXPECT_EQ(capture.output(), "\nCannot write series 0\n\nbws.bnk and bws.ind are left as they were.\n");
}

TEST_F(Workspace, RunMustFitTheBankWithItsLags) {
    struct Case {
        int32_t start, periods;
        std::vector<int8_t> lags;
        bool named;  // over a bank with the names a and GDP, else over no index
        BankError result;
        const char* message;
    };
    const BankError outside = BankError::outsideBank;
    const Case cases[] = {
        {4, 25, {4, 0}, false, BankError::none, ""},
        {3, 5, {2, 4}, true, outside,
         "\nseries 1 (GDP) needs bank period -1 for its 4 lags, before the bank's first period 0.\n"},
        {1, 5, {0, 0, 3}, false, outside,  // an unnamed series is named by number
         "\nseries 2 needs bank period -2 for its 3 lags, before the bank's first period 0.\n"},
        {5, 5, {-1}, false, outside, "\nseries 0 has a negative lag -1.\n"},
        {20, 10, {0}, false, outside, "\nThe run ends at bank period 30, beyond the bank's last period 29.\n"},
        {-1, 3, {0}, false, outside, "\nThe run starts at bank period -1, before the bank's first period 0.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        resetModelState();
        if (c.named) openBank(30, {"a", "GDP"}, numberedRecords(2, 30));
        model.bankLength = 30;
        setRun(c.start, c.periods, c.lags);
        const BankStatus fits = checkRunFitsBank();
        EXPECT_EQ(fits.error, c.result);
        EXPECT_EQ(fits.message, c.message);
    }
}

TEST_F(Workspace, LoadAndWriteRefuseARunOutsideTheBank) {
    startRun(2, 2, 2, 5, {0, 3});
    std::string before = dataBytes();
    ConsoleCapture capture;
    EXPECT_EQ(loadAllSeries().error, BankError::outsideBank);
    EXPECT_EQ(model.series[1][-3], 0.0f);
    EXPECT_EQ(exitCodeOf([] { showWrittenSeries(writeAllSeries(model.series, model.bankDataFile)); }), 7);
    EXPECT_EQ(dataBytes(), before);
}

}  // namespace
