// A float times a power of ten up to 10^6 is exact in a double (24 bits of
// significand times at most 20), so rounding that product to a whole number,
// to nearest with ties to even, gives the digits printf gives. Values that
// are not finite, too large for that, or asked with more decimals go to
// snprintf itself.
#include "base/fixed_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6};
constexpr int kMaxDecimals = 6;
constexpr double kLargestExact = 9007199254740992.0;  // 2^53
constexpr size_t kLongestDigits = 32;                   // sign, 16 digits, point, 6 decimals and more

}  // namespace

size_t formatFixed(char* out, size_t size, float value, int width, int decimals) {
    const bool simple = std::isfinite(value) && decimals >= 0 && decimals <= kMaxDecimals &&
                        width >= 0 && static_cast<size_t>(width) + kLongestDigits < size;
    const double scaled = simple ? std::fabs(static_cast<double>(value)) * kPowersOfTen[decimals] : 0.0;
    if (!simple || scaled >= kLargestExact) {
        const int written = std::snprintf(out, size, "%*.*f", width, decimals, static_cast<double>(value));
        return written < 0 ? 0 : static_cast<size_t>(written);
    }
    uint64_t units = static_cast<uint64_t>(scaled);
    const double rest = scaled - static_cast<double>(units);
    if (rest > 0.5 || (rest == 0.5 && (units & 1) != 0)) ++units;

    // Digits from the right end of a scratch field, then the field to `out`.
    char field[kLongestDigits];
    char* first = field + kLongestDigits;
    for (int d = 0; d < decimals; ++d) {
        *--first = static_cast<char>('0' + units % 10);
        units /= 10;
    }
    if (decimals > 0) *--first = '.';
    do {
        *--first = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units != 0);
    if (std::signbit(value)) *--first = '-';  // printf keeps the sign of -0.0 and of what rounds to it

    const size_t digits = static_cast<size_t>(field + kLongestDigits - first);
    const size_t pad = digits < static_cast<size_t>(width) ? static_cast<size_t>(width) - digits : 0;
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, first, digits);
    const size_t length = pad + digits;
    out[length] = '\0';
    return length;
}
