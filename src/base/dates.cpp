// Date arithmetic on decimal date numbers. The first three decimals say the
// frequency: .000 annual, .001-.013 monthly, .014-.449 quarterly (.1-.4),
// .451-.999 semi-annual (.5 and .6).
#include "base/dates.h"

#include <cmath>
#include <cstring>

#include "base/console.h"

namespace {

// Dates are refused from a million years on either side of year 0: every
// conversion and product below then stays inside 32-bit integers (and no bank,
// at most 32767 periods long, reaches that far).
constexpr double kDateMagnitudeLimit = 1.0e6;

// The date increment of one period: 0.1 quarterly, 0.001 monthly, 1 otherwise.
float dateStepFor(int16_t frequency) {
    if (frequency == 4) return 0.1f;
    if (frequency == 12) return 0.001f;
    return 1.0f;
}

}  // namespace

PeriodDate periodOfDate(BankCalendar calendar, double date) {
    PeriodDate period{kInvalidDateIndex, 1};
    float a = static_cast<float>(date + 0.0003);
    if (!(std::fabs(a) < kDateMagnitudeLimit)) return period;  // NaN too
    int32_t year = static_cast<int32_t>(a);
    int32_t thousandths = static_cast<int32_t>(1000.0 * static_cast<double>(a)) - 1000 * year;
    int32_t sub = 0;
    int32_t origin = 0;
    if (thousandths >= 1 && thousandths <= 13) {
        period.frequency = 12;
        sub = thousandths;
        origin = calendar.baseMonth;
    } else if (thousandths >= 14 && thousandths <= 449) {
        period.frequency = 4;
        origin = (calendar.baseMonth - 1) / 3 + 1;
        sub = thousandths / 100;
    } else if (thousandths > 450) {
        period.frequency = 2;
        origin = (calendar.baseMonth - 1) / 6 + 1;
        sub = (thousandths - 400) / 100;
    } else if (thousandths != 0) {
        return period;
    }
    period.index = (year - calendar.baseYear) * period.frequency + sub - origin;
    return period;
}

void reportBadDate(const char* text) {
    printOut("\nBad date %s: write 1995, 1995.1 to 1995.4, 1995.001 to 1995.012, 1995.5 or 1995.6.\n",
             text);
}

float nextDate(float date, int16_t frequency) {
    const double step = dateStepFor(frequency);
    switch (frequency) {
    case 1:
        return static_cast<float>(date + 1.0);
    case 2: {
        // .5 is the first half, .6 the second; after .6 comes .5 of the next year.
        int32_t year = static_cast<int32_t>(date);
        int32_t half = static_cast<int32_t>(10.0 * date - 10.0 * year + 0.01);
        return half >= 6 ? static_cast<float>(year + 1.5) : static_cast<float>(year + 0.6);
    }
    case 4: {
        float d = static_cast<float>(static_cast<double>(date) + step);
        int32_t year = static_cast<int32_t>(d);
        int32_t quarter = static_cast<int32_t>(10.0 * d - 10.0 * year + 0.01);
        return quarter >= 5 ? static_cast<float>(year + 1.1) : d;
    }
    case 12: {
        // Half a thousandth of allowance: a 32-bit date near 2000 is only good
        // to about 0.12 thousandths, so y.013 may be held just below it.
        float d = static_cast<float>(static_cast<double>(date) + step);
        int32_t year = static_cast<int32_t>(d);
        int32_t month = static_cast<int32_t>(1000.0 * d - 1000.0 * year + 0.5);
        return month >= 13 ? static_cast<float>(year + 1.001) : d;
    }
    default:
        return date;
    }
}

int16_t dateTextFrequency(const std::string& text) {
    size_t dot = text.find('.');
    std::string year = text.substr(0, dot);
    if (year.empty() || year.size() > 5 || year.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    if (dot == std::string::npos) return 1;
    std::string fraction = text.substr(dot + 1);
    if (fraction.size() == 1 && fraction[0] >= '1' && fraction[0] <= '4') return 4;
    if (fraction == "5" || fraction == "6") return 2;
    if (fraction.size() == 3 && fraction >= "001" && fraction <= "012") return 12;
    return 0;
}

const char* frequencyName(int16_t frequency) {
    switch (frequency) {
    case 1: return "annual";
    case 2: return "semi-annual";
    case 4: return "quarterly";
    case 12: return "monthly";
    default: return "";
    }
}
