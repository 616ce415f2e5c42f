// The benchmarks' working directory and run: a scratch copy of the example,
// started as vorn starts a run (start-up files, fix file, workspace), with the
// console writing into a null sink.
#pragma once

#include <string>
#include <vector>

// Copies the example working directory into a fresh scratch directory, makes it
// the working directory and prepares a run for `args` (the words after the
// program's name) up to the allocated workspace. The previous scratch
// directory is removed first.
void prepareRun(const std::vector<std::string>& args);

// Releases the prepared run and removes its scratch directory.
void endPreparedRun();
