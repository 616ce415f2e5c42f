// Start-up of a run inside the benchmark process, in the order vorn itself
// takes: heart.dim, the command line and start-up files, the fix file, the
// workspace. Console output goes to /dev/null, so it is formatted and written
// as in a run, and input comes from /dev/null.
#include "prepared_run.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "bank/bank_file.h"
#include "fixer/command_loop.h"
#include "run/config.h"
#include "base/console.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

namespace {

namespace fs = std::filesystem;

std::string scratch;
// The command line of the prepared run; the run keeps pointers into it.
std::vector<std::string> words;

void useNullConsole() {
    static FILE* nullIn = std::fopen("/dev/null", "r");
    static FILE* nullOut = std::fopen("/dev/null", "w");
    if (!nullIn || !nullOut) throw std::runtime_error("cannot open /dev/null");
    console = {nullIn, nullOut, nullOut};
}

void removeScratchCopy() {
    if (scratch.empty()) return;
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(scratch);
    scratch.clear();
}

void makeScratchCopy() {
    removeScratchCopy();
    std::string pattern = fs::temp_directory_path().string() + "/vorn-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    scratch = pattern;
    fs::copy(EXAMPLE_WORKDIR, scratch, fs::copy_options::recursive);
    fs::current_path(scratch);
}

}  // namespace

void prepareRun(const std::vector<std::string>& args) {
    resetModelState();
    makeScratchCopy();
    useNullConsole();
    words = {"vorn"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());

    model.maxIterations = 200;
    model.consoleInput = false;
    model.equationCount = readEquationDimensions();
    configureRun(static_cast<int>(argv.size()), argv.data());
    model.consoleInput = true;
    fixerLoop(console.in);
    model.stochasticRun = model.randomErrors == 1 || model.randomCoefficients == 1;
    if (allocateWorkspace().error != BankError::none) throw std::runtime_error("no workspace");
}

void endPreparedRun() {
    resetModelState();
    removeScratchCopy();
}
