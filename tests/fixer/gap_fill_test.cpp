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

TEST(GapFillTest, ZeroRunsBetweenValues) {
    // Steps are rounded to float and added in turn.
    float step = static_cast<float>((2.0 - 1.0) / 3);
    float second = static_cast<float>(1.0 + step);
    float third = static_cast<float>(static_cast<double>(second) + step);
    struct Case {
        std::vector<float> values, expected;
    } cases[] = {
        {{10, 0, 0, 40}, {10, 20, 30, 40}},
        {{1, 0, 2, 0, 0, 8}, {1, 1.5f, 2, 4, 6, 8}},
        {{0, 0, 5, 0, 7, 0, 0}, {0, 0, 5, 6, 7, 0, 0}},  // leading and trailing zeros stay
        {{0, 0, 0}, {0, 0, 0}},
        {{1, 0, 0, 2}, {1, second, third, 2}},
        {{1, 0, 3, kMissingValue, 5, 0, 7}, {1, 2, 3, kMissingValue, 5, 0, 7}},  // marker stops it
        {{-4, 0, 4}, {-4, 0, 4}},
    };
    for (const Case& c : cases) EXPECT_EQ(filled(c.values), c.expected) << ::testing::PrintToString(c.values);
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
    std::vector<float> leading{0, 0, 3};  // no value before the gap
    EXPECT_EQ(fillNextGap(leading.data(), 0, 3), 2);
    EXPECT_EQ(leading, (std::vector<float>{0, 0, 3}));
}

}  // namespace
