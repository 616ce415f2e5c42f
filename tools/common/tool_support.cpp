// The tool's results, failures and command-line words.
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "common/tool_kit.h"

FILE* toolOut = stdout;
const char* toolName = "vornbank";

namespace {

std::string heldWords;  // what the bank layer said, for the failure's line
std::pair<std::string, std::string> pathShown;  // a path in failures, and the path shown instead

// The words held so far as one line (empty when none), which are then dropped.
std::string takeHeldMessages() {
    std::string text = asOneLine(heldWords);
    heldWords.clear();
    return text;
}

// "<tool>: " and the message, with what the bank code said (held back until
// now) after it in parentheses: a failure is always one line.
void printFailure(const char* format, va_list args, const char* after = "") {
    std::string held = takeHeldMessages();
    std::string message;
    appendv(message, format, args);
    if (!held.empty()) message += " (" + held + ")";
    std::fprintf(console.err, "%s: %s%s\n", toolName, withPathShown(message).c_str(), after);
}

}  // namespace

void showPathAs(const std::string& path, const std::string& shown) { pathShown = {path, shown}; }

std::string withPathShown(std::string text) {
    const auto& [from, to] = pathShown;
    if (from.empty()) return text;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string asOneLine(const std::string& lines) {
    std::string text;
    bool blank = false;  // a run of blanks and line ends becomes one blank
    for (char c : lines) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            blank = !text.empty();
            continue;
        }
        if (blank) text.push_back(' ');
        blank = false;
        text.push_back(c);
    }
    return text;
}

void holdBankWords(const BankStatus& status) { heldWords += status.notes + status.message; }

bool bankFailed(const BankStatus& status) {
    holdBankWords(status);
    if (status.error == BankError::notFinite) endProcess(kExitNotFinite);
    return status.error != BankError::none;
}

int runToolCommand(const std::vector<std::string>& args, int (*body)(const std::vector<std::string>& args)) {
    toolOut = console.out;
    heldWords.clear();
    showPathAs("", "");
    int code;
    try {
        code = body(args);
    } catch (const ProcessExit& exit) {
        code = exit.code;
    }
    // Results that could not all be written are a failure, and the change is undone.
    try {
        if (code == 0) checkToolOutput();
    } catch (const ProcessExit& exit) {
        code = exit.code;
    }
    // A command is one change: kept whole when it succeeded, undone otherwise.
    if (code == 0 && bankFailed(commitBankChanges())) code = kExitToolFailure;
    if (code != 0) holdBankWords(undoBankChanges());
    // A fatal end inside the bank code leaves its messages held: they make the failure's one line.
    std::string held = takeHeldMessages();
    if (code != 0 && !held.empty()) std::fprintf(console.err, "%s: %s\n", toolName, withPathShown(held).c_str());
    closeBankFiles();
    std::fflush(toolOut);
    flushConsole();
    return code;
}

void writeToolOutput(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), toolOut) != text.size())
        fail("cannot write the results to the standard output: %s", std::strerror(errno));
}

void checkToolOutput() {
    // A write that failed before set the error flag; flushing what is left fails with its cause.
    bool failedBefore = std::ferror(toolOut) != 0;
    errno = EIO;
    if (std::fflush(toolOut) != 0 || failedBefore)
        fail("cannot write the results to the standard output: %s", std::strerror(errno));
}

void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printFailure(format, args);
    va_end(args);
    endProcess(kExitToolFailure);
}

void usageFail(const std::string& verb, const char* format, ...) {
    std::string pointer = std::string("; ") + toolName + (verb.empty() ? "" : " " + verb) + " --help shows how to use it";
    va_list args;
    va_start(args, format);
    printFailure(format, args, pointer.c_str());
    va_end(args);
    endProcess(kExitUsage);
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
            endProcess(kExitNormal);
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
    if (!parseDateNotation(bankCalendar(), text, 0, date, problem) &&
        !(frequency != 0 && parseDateNotation(bankCalendar(), text, frequency, date, problem)))
        fail("--%s %s %s; accepted: %s", option.c_str(), text.c_str(), problem.c_str(), kDateNotations);
    if (sameFrequency && date.frequency != frequency)
        fail("--%s %s is %s, but the series are %s", option.c_str(), text.c_str(),
             frequencyName(date.frequency), frequencyName(frequency));
    if (date.index < 0 || date.index >= model.bankLength)
        fail("--%s %s lies outside the bank, which holds %s to %s", option.c_str(), text.c_str(),
             periodText(bankCalendar(), 0, date.frequency).c_str(),
             periodText(bankCalendar(), model.bankLength - 1, date.frequency).c_str());
    return date;
}
