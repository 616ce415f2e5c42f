// Test support for the fixer: command text as input, the reader's state set
// as a command file or the console would leave it, and a small workspace bank
// written byte by byte in the scratch directory and opened as the run's bank.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/bank_files.h"
#include "support/harness.h"

struct BankSeries {
    std::string name;
    int8_t frequency;
    std::vector<float> values;  // bank periods 0..; the rest of the record is 0
};

struct BankLayout {
    int16_t baseYear = 1990;
    int16_t baseMonth = 1;
    int16_t length = 80;
    std::string title = "test bank";
    std::vector<BankSeries> series;
};

// One token as nextToken delivers it.
struct Token {
    char kind;
    std::string text;
    bool operator==(const Token&) const = default;
};

// The refusal of the date 2001.45, which no frequency has.
inline const std::string kBadDate =
    "\nBad date 2001.45: write 1995, 1995.1 to 1995.4, 1995.001 to 1995.012, 1995.5 or 1995.6.\n";

// Files to write in the scratch directory: name and contents.
using Files = std::vector<std::pair<std::string, std::string>>;

// 1, 2, 3, ... n.
std::vector<float> counting(size_t n);

// Every case starts with echo off, no static simulation and 200 iterations.
class FixerTest : public ModelTest {
protected:
    void SetUp() override;
    void TearDown() override;
    void writeFiles(const Files& files);

    // The reader set to deliver `text` as a command file; closed at the end of the case.
    FILE* readFrom(const std::string& text);
    // Every token of `text` up to the end of input.
    std::vector<Token> tokensOf(const std::string& text);
    // fixerLoop over `text` as a command file, as the add command would run it.
    int runCommands(const std::string& text);
    // The same with `typed` as the console's input; returns the console output
    // and leaves the loop's result in `result`, the unread input in `remaining`.
    std::string run(const std::string& text, const std::string& typed = "");
    int result = 0;
    std::string remaining;
    // The console loop after start-up placed `firstLine` (e.g. "add model.fix")
    // in the line buffer; console input comes from the ConsoleCapture in use.
    int runConsole(const std::string& firstLine);

    // Writes bws.bnk and bws.ind and opens them as the workspace bank, with the
    // first `modelSeries` series as the model's and the run from date1 to date2.
    void makeBank(const BankLayout& layout, int32_t modelSeries, double date1, double date2);
    // The bank files as they stand, the open streams flushed.
    BankImage bank();

private:
    std::vector<FILE*> opened_;
};
