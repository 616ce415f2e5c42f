// Shared test support: a fresh model record per case, a scratch directory,
// captured console streams, file helpers and a runner for the built binaries.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/exit.h"

// Replaces the console streams for its lifetime: input from a text, output and
// error into temporary files that output() and errors() read back.
class ConsoleCapture {
public:
    explicit ConsoleCapture(const std::string& input = "");
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::string output();
    std::string errors();
    // Input bytes not yet consumed.
    std::string remainingInput();

private:
    FILE* in_;
    FILE* out_;
    FILE* err_;
    FILE* savedIn_;
    FILE* savedOut_;
    FILE* savedErr_;
};

// A fresh temporary directory, made the working directory for its lifetime.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string savedCwd_;
};

// Base fixture: the model record is reset before and after every case, and the
// case runs in its own scratch directory.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    ScratchDir scratch;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// Puts back what the bank changes made, as the top of vorn does on a fatal end,
// showing its lines on the console.
void undoShownBankChanges();

// Runs `body` as the top of vorn would; returns the exit code it ended with
// through endProcess (its bank changes undone), or -1 when it returned normally.
template <typename Body>
int exitCodeOf(Body body) {
    try {
        body();
    } catch (const ProcessExit& exit) {
        undoShownBankChanges();
        return exit.code;
    }
    return -1;
}

// Copies the prepared example working directory (bank made from the example's
// CSV) into `destination`.
void copyExampleWorkdir(const std::string& destination);

struct ProgramResult {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs a program in `workdir` with `input` on its standard input; with a
// `fileSizeLimit` of 0 or more, no file can grow beyond that many bytes, as on
// a full disk.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workdir, const std::string& input = "", long fileSizeLimit = -1);
