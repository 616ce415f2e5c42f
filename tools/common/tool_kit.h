// What vorn's tools share: results and failures, the words of a command line,
// opening a bank as one change, whole-file writes, text and CSV cells.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bank/bank_header.h"
#include "bank/bank_lock.h"
#include "bank/bank_status.h"
#include "bank/journal.h"
#include "base/date_notation.h"
#include "base/whole_file.h"

// Results go to the standard output (the console's, as a command starts).
// What the bank layer says is held back and shown, on the failure's line,
// only when the command fails.
extern FILE* toolOut;
// Lines as one line: every run of blanks and line ends becomes one blank.
std::string asOneLine(const std::string& lines);
// Holds what a bank operation said.
void holdBankWords(const BankStatus& status);
// Holds what a bank operation said; true when it failed. A value that is not a
// finite number ends the command (kExitNotFinite) at once.
bool bankFailed(const BankStatus& status);

// The program named in failures and help pointers: "vornbank", or the name of
// another tool built on these pieces (vornfit, which has no verbs).
extern const char* toolName;

// Runs one command of a tool (its words after the program name) as one change
// to the bank: what the bank layer says held back and shown only when it
// fails, endProcess turned into the exit code, the bank's changes committed on
// success and undone otherwise (the one place a command's changes are undone),
// its files closed and the output flushed.
int runToolCommand(const std::vector<std::string>& args, int (*body)(const std::vector<std::string>& args));

// From now on failures show `shown` wherever they would name `path` (a staging
// folder that becomes `shown`); withPathShown does the same for any text.
void showPathAs(const std::string& path, const std::string& shown);
std::string withPathShown(std::string text);

// "vornbank: <message>" as one line on the error stream, then exit code 1 (bad
// input or bank) or 2 (bad command line, with a pointer to the verb's help, or
// to the tool's when the verb is empty).
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void usageFail(const std::string& verb, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The words of one verb: positional words, and options in either "--name value"
// or "--name=value" form. `valued` lists the options that take a value,
// `flags` those that do not; --help prints `help` and ends with code 0.
struct VerbArgs {
    std::vector<std::string> words;
    std::map<std::string, std::string> options;  // present flags map to ""
};
VerbArgs parseVerbArgs(const std::string& verb, const std::vector<std::string>& args,
                       const std::vector<std::string>& valued, const std::vector<std::string>& flags,
                       const char* help);

// The period of a date option (--from, --to, ...) in any accepted notation,
// inside the open bank. A day is read as a period of `frequency` (0 when none
// is known); with `sameFrequency` the date must have that frequency.
PeriodDate optionDate(const std::string& option, const std::string& text, int16_t frequency, bool sameFrequency);

// BANK names BANK.bnk and BANK.ind; a trailing .bnk or .ind is dropped.
std::string bankBase(const std::string& word);
// Takes the bank for the command (a shared lock to read it, an exclusive one
// to change it; a data file made when `create`) and applies a journal a dead
// process left beside it, saying so in one line. A bank another process holds
// is refused with exit code 15, one whose journal cannot be trusted with 16.
void claimToolBank(const std::string& base, BankAccess access, bool create);
// Takes the bank, opens both of its files into the model record, reads the
// index and the header, which it returns; read-only unless forUpdate, and
// then every write is journaled until the command commits.
BankHeader openToolBank(const std::string& base, bool forUpdate);
// Refuses (exit 1) an output path given by `option` that is one of the files
// of the banks the command reads, however the path spells or links to it.
void refuseBankOutput(const std::string& option, const std::string& path, const std::vector<std::string>& bases);

// Files other than bank files are written whole through base/whole_file.h;
// a step that failed ends the command (exit 1) with its line.
void requireWritten(const FileStatus& status);

// Writes results; refuses (exit 1) when they cannot be written.
void writeToolOutput(const std::string& text);
// Flushes the results; refuses (exit 1) when any of them could not be written.
void checkToolOutput();

// printf-style text of any length, appended to `out` or returned.
void appendv(std::string& out, const char* format, va_list args);
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A number as a CSV cell, "%.9g": enough digits to read any float back.
std::string numberCell(double value);

// One line of a CSV file split into cells: blanks around a cell are dropped,
// a cell in double quotes may hold commas and doubled quotes.
std::vector<std::string> splitCsvLine(const std::string& line);
// The cell as written in a CSV line, quoted when it has to be.
std::string csvCell(const std::string& text);
// The first name that repeats an earlier one, or null when all differ.
const std::string* repeatedName(const std::vector<std::string>& names);
