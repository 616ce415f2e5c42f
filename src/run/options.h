// vorn's options, which stand before date1: they are taken off the command
// line before the rest of it is read as dates, fix file and run arguments.
#pragma once

#include <string>

struct VornOptions {
    std::string trialsFile;  // --trials FILE, empty when not given
    bool quiet = false;      // --quiet
};

// Removes the options in front of date1 from argv and returns the count of
// what is left (the program name included). An unknown option, or --trials
// without its file, prints the usage text on the standard error and ends with
// exit code 2. "--" ends the options.
int takeVornOptions(int argc, char** argv, VornOptions& options);

// The options' lines of `vorn --help`.
extern const char* const kVornOptionsHelp;
