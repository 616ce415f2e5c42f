// vornbank lags: writes vorn.lag for a bank, with every series' lag at least
// what the model reads, so that no one has to write its bytes by hand.
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "bank/byte_order.h"
#include "bank/name_index.h"
#include "base/dates.h"
#include "base/exit.h"
#include "solve/model_requirements.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kLagsHelp =
    "usage: vornbank lags BANK [NAME=K | NUMBER=K ...] [--series N]\n"
    "\n"
    "Writes vorn.lag in the directory of BANK: how many series of the bank vorn loads (all of\n"
    "them, or the first N with --series N; at least 36) and how many periods before the run's\n"
    "first period it keeps of each. Each series keeps what the model reads of it (series 2, 5\n"
    "and 10: 1; series 3: 11; series 4 and 11: 4; every other series: 0), or K given as\n"
    "NAME=K (a series of the bank by name) or NUMBER=K (by position), from that minimum to 127.\n"
    "A run's first date must lie at least as many periods after the bank's first period as\n"
    "the largest lag. Nothing is written when any word is wrong.\n";

// A whole number of digits only, or -1.
long wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::strtol(text.c_str(), nullptr, 10);
}

int32_t seriesCountOption(const VerbArgs& parsed) {
    auto found = parsed.options.find("series");
    if (found == parsed.options.end()) return model.nameCount;
    long count = wholeNumber(found->second);
    if (count < kModelSeriesRead || count > model.nameCount)
        fail("--series %s: vorn.lag needs from %d series (the model's) to %d (the bank's)", found->second.c_str(),
             kModelSeriesRead, model.nameCount);
    return static_cast<int32_t>(count);
}

// NAME=K or NUMBER=K into lags; refuses unknown series and lags the model cannot run with.
void applyOverride(const std::string& base, const std::string& word, std::vector<uint8_t>& lags) {
    size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0)
        usageFail("lags", "'%s' is not an override NAME=K or NUMBER=K", word.c_str());
    std::string series = word.substr(0, equals);
    std::string lagText = word.substr(equals + 1);
    long position = wholeNumber(series);
    if (position < 0) {
        position = findName(model.nameOffsets, model.namePool, series.c_str(), model.nameCount);
        if (position < 0) fail("%s: %s has no series %s", word.c_str(), base.c_str(), series.c_str());
    }
    if (position >= static_cast<long>(lags.size()))
        fail("%s: series %ld is not among the %zu series vorn.lag declares", word.c_str(), position, lags.size());
    long lag = wholeNumber(lagText);
    if (lag < 0 || lag > 127) fail("%s: a lag is a whole number from 0 to 127", word.c_str());
    int least = minimumLag(static_cast<int>(position));
    if (lag < least)
        fail("%s: the model reads series %ld back %d periods, so it keeps at least %d", word.c_str(), position,
             least, least);
    lags[static_cast<size_t>(position)] = static_cast<uint8_t>(lag);
}

// The file as vorn reads it: the series count (16 bits, little-endian), then one byte per series.
std::string lagFileBytes(const std::vector<uint8_t>& lags) {
    std::string bytes(2 + lags.size(), '\0');
    putUint16(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<uint16_t>(lags.size()));
    std::copy(lags.begin(), lags.end(), bytes.begin() + 2);
    return bytes;
}

}  // namespace

int runLags(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("lags", args, {"series"}, {}, kLagsHelp);
    if (parsed.words.empty()) usageFail("lags", "lags takes a BANK and optionally overrides NAME=K or NUMBER=K");
    std::string base = bankBase(parsed.words[0]);
    openToolBank(base, false);
    if (model.nameCount < kModelSeriesRead)
        fail("%s holds %d series; the model reads series 0 to %d", base.c_str(), model.nameCount,
             kModelSeriesRead - 1);
    std::vector<uint8_t> lags(static_cast<size_t>(seriesCountOption(parsed)));
    for (size_t s = 0; s < lags.size(); ++s) lags[s] = static_cast<uint8_t>(minimumLag(static_cast<int>(s)));
    for (size_t w = 1; w < parsed.words.size(); ++w) applyOverride(base, parsed.words[w], lags);

    std::filesystem::path path = std::filesystem::path(base).parent_path() / "vorn.lag";
    StagedFile staged;
    requireWritten(stageWholeFile(path.string(), lagFileBytes(lags), staged));
    std::string kept;
    for (size_t s = 0; s < lags.size(); ++s)
        if (lags[s] != 0) kept += " " + std::to_string(s) + ":" + std::to_string(lags[s]);
    // vorn.lag is replaced only once its line could be written.
    std::fprintf(toolOut, "wrote %s: %zu series; lags (series:periods)%s\n", path.c_str(), lags.size(), kept.c_str());
    checkToolOutput();
    requireWritten(commitStagedFile(staged));
    return kExitNormal;
}
