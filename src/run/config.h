// Start-up: command line, vorn.cfg, the bank, vorn.lag, the run mode, the
// first fixer line, the dates and the seed.
#pragma once

#include <cstdio>

// vorn -h, --help or --version: prints the usage or the version on the
// standard output and returns true; false for every other command line.
bool answerInformationRequest(int argc, char** argv);
void configureRun(int argc, char** argv);
// One entry of vorn.cfg into buffer (room for a token); 0, -1 after the
// bad-entry message, or kConfigEntryTooLong after a message when the entry is
// longer than a token holds.
inline constexpr int kConfigEntryTooLong = -2;
int readConfigEntry(char* buffer, FILE* config);
