// The operator's console: every byte the program reads from or writes to the
// terminal goes through here, so tests can feed input and capture output.
#pragma once

#include <cstdio>
#include <string>

struct ConsoleStreams {
    FILE* in;
    FILE* out;
    FILE* err;
};

// The streams in use; standard input, output and error unless a test replaces them.
extern ConsoleStreams console;

void printOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
void printErr(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A line end on the standard output unless what was written last ended a line.
void endOutputLine();
// `before`, then `value` as the format "%<width>.<decimals>f" writes it, then
// `after`, on the standard output: the same bytes as printOut, made faster for
// the lines printed for every period. The two texts together have at most 32
// characters, width is at most 32 and decimals at most 6.
void printOutFixed(const char* before, float value, int width, int decimals, const char* after);

// One character from the buffered input, or EOF.
int readChar();
// One line without its line feed; false at end of input with nothing read.
bool readLine(std::string& line);
// True once the input has reached its end.
bool consoleInputEnded();
// One key without echo and without Enter when the input is a terminal;
// otherwise one byte. EOF at end of input.
int readKey();

void clearScreen();
void moveCursor(int column, int row);
void flushConsole();
