// Fixed-point formatting against snprintf itself: ties, signs of zero, widths
// too small, values beyond the exact range and not numbers, then floats of
// every exponent.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "base/fixed_format.h"
#include "support/harness.h"

namespace {

std::string byPrintf(float value, int width, int decimals) {
    char text[128];
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, static_cast<double>(value));
    return text;
}

std::string byFormatFixed(float value, int width, int decimals) {
    char text[64];
    const size_t length = formatFixed(text, sizeof text, value, width, decimals);
    EXPECT_EQ(length, std::strlen(text));
    return text;
}

TEST(FixedFormat, WritesWhatPrintfWrites) {
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {0.0f,      -0.0f,     0.125f,    0.375f,       -0.125f,  2.5f,     1.005f,
                            -0.001f,   -0.004f,   0.005f,    1e-45f,       -1e-45f,  1503.06f, -1234567.9f,
                            99999.99f, 999999.9f, 1e12f,     9.1e15f,      -3e38f,   inf,      -inf,
                            std::nanf(""), 2001.1f, 2005.4f, 1999.012f, 16777215.0f, 0.0005f};
    for (float value : values)
        for (int decimals : {0, 2, 3, 6, 7})
            for (int width : {0, 8, 12})
                EXPECT_EQ(byFormatFixed(value, width, decimals), byPrintf(value, width, decimals))
                    << value << " %" << width << "." << decimals << "f";
}

TEST(FixedFormat, FloatsOfEveryExponent) {
    uint32_t state = 12345u;
    for (int k = 0; k < 200000; ++k) {
        state = state * 1664525u + 1013904223u;
        float value;
        std::memcpy(&value, &state, sizeof value);
        const int decimals = 2 + k % 2;
        ASSERT_EQ(byFormatFixed(value, 8, decimals), byPrintf(value, 8, decimals)) << state;
    }
}

}  // namespace
