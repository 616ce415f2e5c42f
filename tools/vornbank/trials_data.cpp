// The trials file as the tools read it.
#include "trials_data.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "stochastic/trials_file.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

std::vector<std::string> readLines(const std::string& path, const std::string& trials) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("%s is not a trials file: %s, its names or dates, cannot be read", trials.c_str(), path.c_str());
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace

TrialsData openTrials(const std::string& path) {
    TrialsData data{path, 0, 0, 0, {}, {}, 0, std::fopen(path.c_str(), "rb")};
    if (!data.stream) fail("cannot open %s: %s", path.c_str(), std::strerror(errno));
    char header[kTrialsHeaderSize];
    long long trials = -1, series = -1, periods = -1;
    const bool whole = std::fread(header, 1, sizeof header, data.stream) == sizeof header;
    std::string dictionary = whole ? std::string(header + 10, sizeof header - 10) : "";
    if (!whole ||
        std::sscanf(dictionary.c_str(), "{'descr': '<f4', 'fortran_order': False, 'shape': (%lld, %lld, %lld), }",
                    &trials, &series, &periods) != 3 ||
        trials < 0 || trials > INT32_MAX || series < 1 || series > UINT16_MAX || periods < 1 || periods > INT16_MAX ||
        trialsHeader(trials, series, periods) != std::string(header, sizeof header)) {
        closeTrials(data);
        fail("%s is not a trials file (a .npy array of 32-bit floats, trials x series x periods, as vorn "
             "--trials writes it)",
             path.c_str());
    }
    data.trials = trials;
    data.series = series;
    data.periods = periods;
    struct stat status {};
    fstat(fileno(data.stream), &status);
    const long long trialBytes = series * periods * 4;
    const long long expected = kTrialsHeaderSize + trials * trialBytes;
    if (status.st_size < expected) {
        const long long held = (status.st_size - kTrialsHeaderSize) / trialBytes;
        closeTrials(data);
        fail("%s is cut short: it holds %lld whole trials of the %lld its header names; none of it is used",
             path.c_str(), held, trials);
    }
    if (status.st_size > expected) {
        closeTrials(data);
        fail("%s is not a trials file: it holds more bytes than the %lld trials its header names", path.c_str(),
             trials);
    }
    data.names = readLines(trialsSeriesName(path), path);
    data.dates = readLines(trialsDatesName(path), path);
    if (static_cast<long long>(data.names.size()) != series || static_cast<long long>(data.dates.size()) != periods) {
        closeTrials(data);
        fail("%s holds %lld series over %lld periods, but %s names %zu and %s dates %zu", path.c_str(), series,
             periods, trialsSeriesName(path).c_str(), data.names.size(), trialsDatesName(path).c_str(),
             data.dates.size());
    }
    data.frequency = dateTextFrequency(data.dates[0]);
    for (const std::string& date : data.dates) {
        if (dateTextFrequency(date) != data.frequency || data.frequency == 0) {
            closeTrials(data);
            fail("%s is not a trials file: %s holds the date '%s'", path.c_str(), trialsDatesName(path).c_str(),
                 date.c_str());
        }
    }
    return data;
}

void closeTrials(TrialsData& data) {
    if (data.stream) std::fclose(data.stream);
    data.stream = nullptr;
}

std::vector<int64_t> trialsSeriesOf(const TrialsData& data, const std::vector<std::string>& names) {
    std::vector<int64_t> numbers;
    for (const std::string& name : names) {
        auto found = std::find(data.names.begin(), data.names.end(), name);
        if (found == data.names.end()) fail("%s holds no series %s", data.path.c_str(), name.c_str());
        numbers.push_back(found - data.names.begin());
    }
    return numbers;
}

void readNextTrial(TrialsData& data, std::vector<float>& values) {
    values.resize(static_cast<size_t>(data.series * data.periods));
    if (readFloats(data.stream, values.data(), values.size()) != values.size())
        fail("cannot read %s: %s", data.path.c_str(), std::strerror(errno));
}

std::vector<std::vector<float>> trialSamples(TrialsData& data, const std::vector<int64_t>& series, int64_t first,
                                             int64_t last) {
    const size_t periods = static_cast<size_t>(last - first + 1);
    std::vector<std::vector<float>> samples(series.size() * periods);
    std::vector<float> values;
    for (int64_t trial = 1; trial <= data.trials; ++trial) {
        readNextTrial(data, values);
        for (size_t k = 0; k < series.size(); ++k)
            for (size_t p = 0; p < periods; ++p) {
                float value = values[static_cast<size_t>(series[k] * data.periods + first) + p];
                if (value != kMissingValue) samples[k * periods + p].push_back(value);
            }
    }
    for (std::vector<float>& sample : samples) std::sort(sample.begin(), sample.end());
    return samples;
}

void trialsPeriodRange(const TrialsData& data, const std::string* from,
                       const std::string* to, int64_t& first, int64_t& last) {
    // The file's dates as periods of a calendar that starts in its first year.
    const BankCalendar calendar{std::atoi(data.dates[0].c_str()), 1};
    std::vector<int32_t> indexes;
    for (const std::string& date : data.dates) {
        PeriodDate period{};
        if (!parseDate(calendar, date, period))
            fail("%s is not a trials file: its date '%s' is not a period", data.path.c_str(), date.c_str());
        indexes.push_back(period.index);
    }
    auto position = [&](const std::string& option, const std::string& text) {
        PeriodDate date{};
        std::string problem;
        if (!parseDateNotation(calendar, text, data.frequency, date, problem))
            fail("--%s %s %s; accepted: %s", option.c_str(), text.c_str(), problem.c_str(), kDateNotations);
        auto found = std::find(indexes.begin(), indexes.end(), date.index);
        if (date.frequency != data.frequency || found == indexes.end())
            fail("--%s %s is not a period of %s, which holds %s to %s", option.c_str(), text.c_str(),
                 data.path.c_str(), data.dates.front().c_str(), data.dates.back().c_str());
        return static_cast<int64_t>(found - indexes.begin());
    };
    first = from ? position("from", *from) : 0;
    last = to ? position("to", *to) : data.periods - 1;
    if (first > last) fail("--from %s comes after --to %s", from->c_str(), to->c_str());
}

std::vector<double> percentilesOption(const std::string& verb, const std::string* text) {
    if (!text) return {5, 25, 50, 75, 95};
    std::vector<double> at;
    size_t start = 0;
    while (start <= text->size()) {
        size_t comma = text->find(',', start);
        std::string word = text->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        double p = std::strtod(word.c_str(), &end);
        if (word.empty() || *end != '\0' || !(p >= 0 && p <= 100) ||
            word.find_first_not_of("0123456789.") != std::string::npos)
            usageFail(verb, "--at %s: '%s' is not a percentile from 0 to 100", text->c_str(), word.c_str());
        if (!at.empty() && p <= at.back())
            usageFail(verb, "--at %s: the percentiles must increase", text->c_str());
        at.push_back(p);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return at;
}

double percentileOf(const std::vector<float>& sorted, double p) {
    const double position = static_cast<double>(sorted.size() - 1) * (p / 100.0);
    const size_t below = static_cast<size_t>(std::floor(position));
    if (below + 1 >= sorted.size()) return sorted.back();
    const double fraction = position - static_cast<double>(below);
    const double a = sorted[below];
    const double b = sorted[below + 1];
    // From the nearer end, as numpy does, so that a fraction of 1 gives b exactly.
    return fraction < 0.5 ? a + (b - a) * fraction : b - (b - a) * (1 - fraction);
}

std::string percentileText(double p) {
    return formatted("%g", p);
}
