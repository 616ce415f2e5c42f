// Console streams, formatted output, line and key input, ANSI screen control.
#include "runctl/console.h"

#include <termios.h>
#include <unistd.h>

#include <cassert>
#include <cstdarg>
#include <cstring>

#include "runctl/fixed_format.h"

ConsoleStreams console{stdin, stdout, stderr};

void printOut(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(console.out, format, args);
    va_end(args);
}

void printErr(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(console.err, format, args);
    va_end(args);
}

void printOutFixed(const char* before, float value, int width, int decimals, const char* after) {
    char line[128];
    const size_t lead = std::strlen(before);
    const size_t tail = std::strlen(after);
    // Room for the longest number a float makes with these bounds (47 characters).
    assert(lead + tail <= 32 && width <= 32 && decimals <= 6);
    std::memcpy(line, before, lead);
    const size_t length = lead + formatFixed(line + lead, sizeof line - lead - tail, value, width, decimals);
    std::memcpy(line + length, after, tail);
    std::fwrite(line, 1, length + tail, console.out);
}

int readChar() {
    std::fflush(console.out);
    return std::getc(console.in);
}

bool consoleInputEnded() { return std::feof(console.in) != 0; }

bool readLine(std::string& line) {
    std::fflush(console.out);
    line.clear();
    int c;
    while ((c = std::getc(console.in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    return c != EOF || !line.empty();
}

int readKey() {
    std::fflush(console.out);
    int fd = fileno(console.in);
    termios saved;
    if (fd < 0 || !isatty(fd) || tcgetattr(fd, &saved) != 0) return std::getc(console.in);
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &raw);
    unsigned char key;
    ssize_t got = read(fd, &key, 1);
    tcsetattr(fd, TCSANOW, &saved);
    return got == 1 ? key : EOF;
}

void clearScreen() { std::fputs("\x1b[2J\x1b[H", console.out); }

void moveCursor(int column, int row) { std::fprintf(console.out, "\x1b[%d;%dH", row, column); }

void flushConsole() {
    std::fflush(console.out);
    std::fflush(console.err);
}
