// The help command: help files from the working directory shown a page at a
// time. Without a name, the index rhelp.hlp is shown and the user picks topics
// by one character each (topic c is the file rhelp.c).
#include "fixer/help_command.h"

#include <string>

#include "fixer/reader.h"
#include "base/console.h"

namespace {

// Longest piece of a line written at once; longer lines take several pieces.
constexpr int kHelpPieceLength = 81;

void clearPage() {
    clearScreen();
    moveCursor(1, 1);
}

// Enter (a carriage return or, on this console, a line feed), the escape key
// or the end of the input ends the choice of topics.
bool endsTopics(int c) { return c == '\r' || c == '\n' || c == kTokenEscape || c == EOF; }

}  // namespace

int pagePrompt() {
    moveCursor(10, 24);
    printOut(" Tap ESC to get back to the ] prompt; tap any other key for more.");
    int c = readChar();
    clearPage();
    return c;
}

int showHelpFile(const char* name) {
    FILE* file = std::fopen(name, "r");
    if (!file) {
        printOut("\nCannot open %s\n", name);
        return -1;
    }
    clearPage();
    char piece[kHelpPieceLength + 1];
    int pieces = 0;
    while (std::fgets(piece, sizeof piece, file)) {
        printOut("%s", piece);
        if (++pieces % kHelpPageLines == 0 && pagePrompt() == kTokenEscape) {
            std::fclose(file);
            return kTokenEscape;
        }
    }
    std::fclose(file);
    return 0;
}

int helpCommand(FILE* input) {
    char text[kTokenSize];
    if (nextToken(text, input) == kTokenName) {
        showHelpFile(text);
        return 0;
    }
    for (;;) {
        showHelpFile("rhelp.hlp");
        int c = readChar();
        if (endsTopics(c)) return 0;
        std::string topic = "rhelp.";
        topic.push_back(static_cast<char>(c));
        if (showHelpFile(topic.c_str()) == kTokenEscape) return 0;
        if (pagePrompt() == kTokenEscape) return 0;
    }
}
