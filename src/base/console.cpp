// Console streams, formatted output, line and key input, ANSI screen control.
#include "base/console.h"

#include <termios.h>
#include <unistd.h>

#include <cassert>
#include <cstdarg>
#include <cstring>

#include "base/fixed_format.h"

ConsoleStreams console{stdin, stdout, stderr};

namespace {

// The last character written to the standard output: a run's output must end
// with a line end, whatever its last message was.
char lastWritten = '\n';

void writeOut(const char* text, size_t length) {
    if (length == 0) return;
    std::fwrite(text, 1, length, console.out);
    lastWritten = text[length - 1];
}

}  // namespace

void printOut(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length >= 0 && static_cast<size_t>(length) < sizeof line) {
        writeOut(line, static_cast<size_t>(length));
    } else if (length > 0) {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        writeOut(text.data(), static_cast<size_t>(length));
    }
    va_end(again);
}

void endOutputLine() {
    if (lastWritten != '\n') writeOut("\n", 1);
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
    writeOut(line, length + tail);
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

void clearScreen() { printOut("\x1b[2J\x1b[H"); }

void moveCursor(int column, int row) { printOut("\x1b[%d;%dH", row, column); }

void flushConsole() {
    std::fflush(console.out);
    std::fflush(console.err);
}
