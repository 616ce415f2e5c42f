// Gap filling: straight lines over interior zero runs.
#include <cmath>
#include <vector>

#include "fixer/gap_fill.h"
#include "gtest/gtest.h"
#include "state/model_state.h"

namespace {

std::vector<float> filled(std::vector<float> values) {
    fillGaps(values.data(), static_cast<int32_t>(values.size()));
    return values;
}

TEST(GapFillTest, InteriorZerosBecomeAStraightLine) {
    EXPECT_EQ(filled({10, 0, 0, 40}), (std::vector<float>{10, 20, 30, 40}));
    EXPECT_EQ(filled({1, 0, 2, 0, 0, 8}), (std::vector<float>{1, 1.5f, 2, 4, 6, 8}));
}

TEST(GapFillTest, LeadingAndTrailingZerosStay) {
    EXPECT_EQ(filled({0, 0, 5, 0, 7, 0, 0}), (std::vector<float>{0, 0, 5, 6, 7, 0, 0}));
    EXPECT_EQ(filled({0, 0, 0}), (std::vector<float>{0, 0, 0}));
}

TEST(GapFillTest, StepsAreRoundedToFloatAndAddedInTurn) {
    std::vector<float> values = filled({1, 0, 0, 2});
    float step = static_cast<float>((2.0 - 1.0) / 3);
    float second = static_cast<float>(1.0 + step);
    EXPECT_EQ(values[1], second);
    EXPECT_EQ(values[2], static_cast<float>(static_cast<double>(second) + step));
}

TEST(GapFillTest, MissingValueMarkerStopsTheFilling) {
    std::vector<float> values = filled({1, 0, 3, kMissingValue, 5, 0, 7});
    EXPECT_EQ(values, (std::vector<float>{1, 2, 3, kMissingValue, 5, 0, 7}));
}

TEST(GapFillTest, NegativeValuesInterpolate) {
    EXPECT_EQ(filled({-4, 0, 4}), (std::vector<float>{-4, 0, 4}));
}

TEST(GapFillTest, NotANumberDoesNotStopTheFilling) {
    std::vector<float> values = filled({1, 0, NAN, 0, 0, 5, 0, 7});
    EXPECT_TRUE(std::isnan(values[1]));
    EXPECT_EQ(values[6], 6.0f);
}

TEST(GapFillTest, NextGapReportsWhereToGoOn) {
    std::vector<float> values{2, 0, 0, 8, 9, 0, 0};
    EXPECT_EQ(fillNextGap(values.data(), 0, 7), 3);
    EXPECT_EQ(values[2], 6.0f);
    EXPECT_EQ(fillNextGap(values.data(), 3, 7), 7);
    EXPECT_EQ(fillNextGap(values.data(), 0, 0), 0);
}

TEST(GapFillTest, NextGapFromLeadingZeroHasNoValueBefore) {
    std::vector<float> values{0, 0, 3};
    EXPECT_EQ(fillNextGap(values.data(), 0, 3), 2);
    EXPECT_EQ(values, (std::vector<float>{0, 0, 3}));
}

}  // namespace
