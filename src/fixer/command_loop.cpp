// The fixer's command loop: one statement per pass, its first word looked up
// in the keyword table (in the table's order; whole words or the first N
// characters), until the input ends or go/run ends the fixer.
#include "fixer/command_loop.h"

#include <cstring>
#include <string>

#include "bank/journal.h"
#include "fixer/add_command.h"
#include "fixer/bank_report.h"
#include "fixer/fix_commands.h"
#include "fixer/help_command.h"
#include "fixer/print_command.h"
#include "fixer/reader.h"
#include "fixer/simple_commands.h"
#include "fixer/update_commands.h"
#include "base/arithmetic.h"
#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"

namespace {

enum class Command { add, cta, mul, ovr, rho, skip, addprint, staticRun, go, title, update, matup,
                     help, debug, maxiter, pause, print, quit };

struct Keyword {
    const char* word;
    int matchLength;  // 0: the whole word must match; N: its first N characters
    Command command;
};

// add is tested before addprint and must match whole, which tells them apart.
constexpr Keyword kKeywords[] = {
    {"add", 0, Command::add},           {"cta", 0, Command::cta},
    {"mul", 0, Command::mul},           {"ovr", 0, Command::ovr},
    {"rho", 0, Command::rho},           {"skip", 0, Command::skip},
    {"addprint", 4, Command::addprint}, {"static", 0, Command::staticRun},
    {"go", 0, Command::go},             {"run", 0, Command::go},
    {"title", 2, Command::title},       {"update", 2, Command::update},
    {"matup", 3, Command::matup},       {"help", 0, Command::help},
    {"debug", 0, Command::debug},       {"maxiter", 4, Command::maxiter},
    {"pause", 2, Command::pause},       {"print", 2, Command::print},
    {"type", 2, Command::print},        {"quit", 1, Command::quit},
};

bool matches(const Keyword& keyword, const char* word) {
    if (keyword.matchLength == 0) return std::strcmp(word, keyword.word) == 0;
    size_t n = static_cast<size_t>(keyword.matchLength);
    return std::strlen(word) >= n && std::strncmp(word, keyword.word, n) == 0;
}

const Keyword* findKeyword(const char* word) {
    for (const Keyword& keyword : kKeywords) {
        if (matches(keyword, word)) return &keyword;
    }
    return nullptr;
}

constexpr int kNextPass = 0;

// Carries out one command; kFixerGo or kFixerEscape end the loop, kNextPass
// goes on. `refused` tells whether the command was refused.
int runCommand(Command command, FILE* input, bool& refused) {
    refused = false;
    switch (command) {
    case Command::add: {
        int result = addCommand(input);
        refused = result == -1;
        return result == kFixerGo ? kFixerGo : kNextPass;
    }
    case Command::cta: refused = addFix(input, 'c') == -1; break;
    case Command::mul: refused = addFix(input, 'm') == -1; break;
    case Command::ovr: refused = addFix(input, 'o') == -1; break;
    case Command::rho: refused = addFix(input, 'r') == -1; break;
    case Command::skip: refused = addFix(input, 's') == -1; break;
    case Command::addprint: addprintCommand(input); break;
    case Command::staticRun: model.staticSimulation = true; break;
    case Command::go: return kFixerGo;
    case Command::title: titleCommand(); break;
    case Command::update: refused = updateCommand(input) == -1; break;
    case Command::matup: refused = matupCommand(input) == -1; break;
    case Command::help: helpCommand(input); break;
    case Command::debug: break;
    case Command::maxiter: maxiterCommand(input); break;
    case Command::pause: return pauseCommand(input);
    case Command::print: refused = printCommand(input) == -1; break;
    // quit keeps what the fixer wrote: the change is committed first.
    case Command::quit: endProcess(showBankStatus(commitBankChanges()) ? kExitQuit : kExitBankWrite);
    }
    return kNextPass;
}

// A command of the fix file (or a file it adds) that was refused, by file,
// line and the line's text, for the summary at the end of the run. Commands
// typed at the console are answered there and not kept.
void keepRefusedCommand(FILE* input, int32_t line, const std::string& text) {
    if (input == console.in || !model.readingFixFile) return;
    std::string shown = text.substr(0, text.find_first_of("\r\n"));
    model.refusedCommands.push_back(std::string(model.commandFile) + ", line " + std::to_string(line) + ": " +
                                    shown);
}

}  // namespace

int fixerLoop(FILE* input) {
    char word[kTokenSize];
    for (;;) {
        checkArithmetic("Top of fixer loop.");
        if (input == console.in) printOut("\n]");

        char kind;
        do {
            kind = nextToken(word, input);
        } while (kind != kTokenName && kind != kTokenEnd && kind != kTokenQuoted && kind != ':');

        // The console stays open for the questions of the run; command files are
        // closed by the add command that opened them.
        if (kind == kTokenEnd) return kFixerEndOfInput;
        if (kind == kTokenQuoted) continue;

        // The command's line, before its data lines are read.
        const int32_t line = model.commandLine;
        const std::string text = model.lineBuffer;
        const Keyword* keyword = kind == kTokenName ? findKeyword(word) : nullptr;
        if (!keyword) {
            printOut("\n bad code ");
            skipStatement(input);
            keepRefusedCommand(input, line, text);
            continue;
        }
        bool refused = false;
        int outcome = runCommand(keyword->command, input, refused);
        if (refused) keepRefusedCommand(input, line, text);
        if (bankWriteFailed()) {
            printOut("\nA bank file could not be written: the run ends.\n");
            endProcess(kExitBankWrite);
        }
        if (outcome != kNextPass) return outcome;
    }
}
