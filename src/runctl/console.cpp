// Console streams, formatted output, line and key input, ANSI screen control.
#include "runctl/console.h"

#include <termios.h>
#include <unistd.h>

#include <cstdarg>

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
