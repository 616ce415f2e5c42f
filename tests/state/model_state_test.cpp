// The model record starts at zero and the reset returns it there.
#include <cstring>

#include "state/model_state.h"
#include "support/harness.h"

namespace {

using ModelRecord = ModelTest;

TEST_F(ModelRecord, ResetReleasesOwnedTablesAndZeroesEveryField) {
    model.seriesCount = 2;
    model.periodCount = 3;
    model.series = {allocVector(-1, 3), allocVector(0, 3)};
    model.coef = {allocVector(0, 12), FloatVector{}};
    model.errorRho = allocVector(0, 1);
    model.fixCount = 7;
    model.fixType[5] = 'c';
    model.random.initialised = true;
    model.lineBuffer = "add model.fix\r\n";
    model.nameOffsets = {0, 4};
    std::string tmp = scratch.file("heart.dat");
    writeFile(tmp, "x");
    model.coefficientStream = std::fopen(tmp.c_str(), "r");

    resetModelState();

    EXPECT_TRUE(model.series.empty());
    EXPECT_TRUE(model.coef.empty());
    EXPECT_FALSE(model.errorRho);
    EXPECT_EQ(model.coefficientStream, nullptr);
    EXPECT_EQ(model.seriesCount, 0);
    EXPECT_EQ(model.fixCount, 0);
    EXPECT_EQ(model.fixType[5], 0);
    EXPECT_FALSE(model.random.initialised);
    EXPECT_TRUE(model.lineBuffer.empty());
    EXPECT_TRUE(model.nameOffsets.empty());
}

TEST_F(ModelRecord, MissingValueMarkerHasItsBitPattern) {
    uint32_t bits;
    std::memcpy(&bits, &kMissingValue, sizeof bits);
    EXPECT_EQ(bits, 0xB58637BDu);
    EXPECT_LE(kMissingBandLow, kMissingValue);
    EXPECT_GE(kMissingBandHigh, kMissingValue);
}

}  // namespace
