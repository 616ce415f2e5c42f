// The tool's results, failures and command-line words.
#include <cstdarg>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "runctl/console.h"
#include "runctl/exit.h"
#include "state/model_state.h"
#include "vornbank.h"

FILE* toolOut = stdout;
const char* toolName = "vornbank";

namespace {

FILE* heldMessages = nullptr;

void printFailure(const char* format, va_list args) {
    releaseHeldMessages(true);
    std::fprintf(console.err, "%s: ", toolName);
    std::vfprintf(console.err, format, args);
    std::fputc('\n', console.err);
}

}  // namespace

void holdLibraryMessages() {
    toolOut = console.out;
    heldMessages = std::tmpfile();
    if (heldMessages) console.out = heldMessages;
}

void releaseHeldMessages(bool show) {
    if (!heldMessages) return;
    std::string text;
    std::rewind(heldMessages);
    int c;
    while ((c = std::fgetc(heldMessages)) != EOF) text.push_back(static_cast<char>(c));
    std::fclose(heldMessages);
    heldMessages = std::tmpfile();
    if (heldMessages) console.out = heldMessages;
    if (!show) return;
    size_t first = text.find_first_not_of(" \n");
    if (first == std::string::npos) return;
    size_t last = text.find_last_not_of(" \n");
    std::fprintf(console.err, "%s\n", text.substr(first, last - first + 1).c_str());
}

int runToolCommand(const std::vector<std::string>& args, int (*body)(const std::vector<std::string>& args)) {
    holdLibraryMessages();
    int code;
    try {
        code = body(args);
    } catch (const ProcessExit& exit) {
        code = exit.code;
    }
    // A command is one change: kept whole when it succeeded, undone otherwise.
    if (code == 0 && commitBankChanges() != 0) code = 1;
    if (code != 0) undoBankChanges();
    if (code != 0) releaseHeldMessages(true);
    closeBankFiles();
    std::fflush(toolOut);
    flushConsole();
    return code;
}

void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFailure(format, args);
    va_end(args);
    endProcess(1);
}

void usageFail(const std::string& verb, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFailure(format, args);
    va_end(args);
    if (verb.empty())
        std::fprintf(console.err, "%s --help shows how to use it.\n", toolName);
    else
        std::fprintf(console.err, "%s %s --help shows how to use it.\n", toolName, verb.c_str());
    endProcess(2);
}

VerbArgs parseVerbArgs(const std::string& verb, const std::vector<std::string>& args,
                       const std::vector<std::string>& valued, const std::vector<std::string>& flags,
                       const char* help) {
    auto listed = [](const std::vector<std::string>& names, const std::string& name) {
        for (const std::string& n : names)
            if (n == name) return true;
        return false;
    };
    VerbArgs result;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            std::fputs(help, toolOut);
            endProcess(0);
        }
        if (word.rfind("--", 0) != 0 || word == "--") {
            result.words.push_back(word);
            continue;
        }
        size_t equals = word.find('=');
        std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        if (listed(flags, name) && equals == std::string::npos) {
            result.options[name] = "";
        } else if (listed(valued, name)) {
            if (equals != std::string::npos) {
                result.options[name] = word.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                result.options[name] = args[++i];
            } else {
                usageFail(verb, "--%s needs a value", name.c_str());
            }
        } else {
            usageFail(verb, "%s takes no option %s", verb.empty() ? toolName : verb.c_str(), word.c_str());
        }
    }
    return result;
}

PeriodDate optionDate(const std::string& option, const std::string& text, int16_t frequency, bool sameFrequency) {
    PeriodDate date;
    std::string problem;
    // A day needs a frequency; any other notation tells its own.
    if (!parseDateNotation(text, 0, date, problem) &&
        !(frequency != 0 && parseDateNotation(text, frequency, date, problem)))
        fail("--%s %s %s; accepted: %s", option.c_str(), text.c_str(), problem.c_str(), kDateNotations);
    if (sameFrequency && date.frequency != frequency)
        fail("--%s %s is %s, but the series are %s", option.c_str(), text.c_str(),
             frequencyName(date.frequency), frequencyName(frequency));
    if (date.index < 0 || date.index >= model.bankLength)
        fail("--%s %s lies outside the bank, which holds %s to %s", option.c_str(), text.c_str(),
             periodText(0, date.frequency).c_str(), periodText(model.bankLength - 1, date.frequency).c_str());
    return date;
}
