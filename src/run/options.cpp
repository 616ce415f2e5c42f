// vorn's options in front of date1.
#include "run/options.h"

#include <cstring>

#include "base/console.h"
#include "base/exit.h"

const char* const kVornOptionsHelp =
    "options, before date1:\n"
    "  --trials FILE   keep every effective trial of a stochastic run: FILE is a NumPy .npy array\n"
    "                  of 32-bit floats, trials x series x periods (date1 to date2), with the\n"
    "                  series names in STEM-series.txt and the dates in STEM-dates.txt beside it\n"
    "                  (STEM is FILE without .npy); docs/trials.md gives the layout\n"
    "  --quiet         no progress lines for passes, periods and trials; at a terminal a\n"
    "                  stochastic run shows one progress line on the standard error instead\n";

namespace {

[[noreturn]] void optionUsage(const char* problem, const char* word) {
    printErr("\nvorn: %s %s\n"
             "usage: vorn [--trials FILE] [--quiet] date1 date2 model.fix [num_draw rnderr rndcoef [seed]]\n"
             "       vorn [--quiet] date1 date2 model.fix m maxspec.dat\n"
             "       vorn -h | --help | --version\n",
             problem, word);
    endProcess(kExitUsage);
}

}  // namespace

int takeVornOptions(int argc, char** argv, VornOptions& options) {
    int next = 1;
    while (next < argc && std::strncmp(argv[next], "--", 2) == 0) {
        const char* word = argv[next];
        if (std::strcmp(word, "--") == 0) {
            ++next;
            break;
        }
        if (std::strcmp(word, "--quiet") == 0) {
            options.quiet = true;
        } else if (std::strcmp(word, "--trials") == 0) {
            if (next + 1 >= argc || argv[next + 1][0] == '\0') optionUsage("--trials needs a file:", word);
            options.trialsFile = argv[++next];
        } else if (std::strncmp(word, "--trials=", 9) == 0 && word[9] != '\0') {
            options.trialsFile = word + 9;
        } else if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "--version") == 0) {
            argv[1] = argv[next];  // answered alone, whatever else stands beside it
            return 2;
        } else {
            optionUsage("unknown option", word);
        }
        ++next;
    }
    const int taken = next - 1;
    for (int i = next; i < argc; ++i) argv[i - taken] = argv[i];
    return argc - taken;
}
