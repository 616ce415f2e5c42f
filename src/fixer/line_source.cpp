// Characters of the fixer's input: one line at a time is assembled into the
// reader's line buffer (console line, or command-file line with % arguments
// substituted and echoed) and then handed out character by character.
#include <cstdio>
#include <string>

#include "fixer/reader.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

// The line buffer holds 240 characters, the line feed included.
constexpr size_t kMaxLineCharacters = 239;

// "%k" in a file read with arguments: k = 1..9 is argument k (nothing when the
// add command had fewer); anything else keeps both characters. True when the
// character kept was the line feed, which ends the line.
bool appendPercent(std::string& line, FILE* input) {
    int next = std::getc(input);
    if (next >= '1' && next <= '9') {
        size_t k = static_cast<size_t>(next - '1');
        if (k < model.addArguments->size()) line += (*model.addArguments)[k];
        return false;
    }
    line.push_back('%');
    if (next != EOF && next != 0) line.push_back(static_cast<char>(next));
    return next == '\n';
}

// One line from the console, ended by "\r\n"; false at an empty line or the
// end of the console input.
bool assembleConsoleLine() {
    std::string line;
    if (!readLine(line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return false;
    model.lineBuffer = line + "\r\n";
    return true;
}

// Ends the reading of a command file at a line longer than the buffer: a file
// that never ends a line, such as a device, must not be read without end. The
// file is put at its end, so that later requests find nothing more.
bool refuseLongLine(FILE* input) {
    printOut("\nA line longer than %zu characters: the rest of this file is not read.\n", kMaxLineCharacters);
    std::fseek(input, 0, SEEK_END);
    model.currentChar = -1;
    return false;
}

// One line from a command file up to its line feed; a last line without one is
// completed with "\r\n". False when the file had nothing more or the line is
// too long.
bool assembleFileLine(FILE* input) {
    std::string& line = model.lineBuffer;
    line.clear();
    size_t bytesRead = 0;  // zero bytes too, which are dropped
    for (;;) {
        int c = std::getc(input);
        model.currentChar = static_cast<int16_t>(c);
        if (c == EOF) break;
        if (c != '\n' && ++bytesRead > kMaxLineCharacters) return refuseLongLine(input);
        if (c == 0) continue;
        if (c == '%' && model.addArguments) {
            if (appendPercent(line, input)) break;
            continue;
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    // Substituted arguments can make the line longer than the bytes read.
    if (line.size() - (!line.empty() && line.back() == '\n') > kMaxLineCharacters) return refuseLongLine(input);
    if (line.empty()) return false;
    if (line.back() != '\n') line += "\r\n";
    ++model.commandLine;
    if (model.addPrint) printOut("%s", line.c_str());
    return true;
}

}  // namespace

int nextChar(FILE* input) {
    if (model.pushbackChar > 0) {
        model.currentChar = model.pushbackChar;
        model.pushbackChar = 0;
        return model.currentChar;
    }
    bool lineDone = model.currentChar == '\n' || model.currentChar == -1 ||
                    model.linePos >= model.lineBuffer.size();
    if (lineDone) {
        bool got = model.consoleInput ? assembleConsoleLine() : assembleFileLine(input);
        if (!got) {
            model.currentChar = -1;
            return -1;
        }
        model.linePos = 0;
    }
    unsigned char c = static_cast<unsigned char>(model.lineBuffer[model.linePos++]);
    // A carriage return is never delivered: the character after it (normally
    // the line feed) takes its place.
    if (c == '\r' && model.linePos < model.lineBuffer.size()) {
        c = static_cast<unsigned char>(model.lineBuffer[model.linePos]);
    }
    model.currentChar = c;
    return c;
}

void ungetChar(int c) {
    // End of input is not a character; nothing waits after it.
    model.pushbackChar = c < 0 ? 0 : static_cast<int16_t>(c & 0xFF);
}
