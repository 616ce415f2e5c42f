// Tokens of the fixer's language: names, numbers, quoted text, punctuation,
// line ends (comments included) and the end of the input; and the two readers
// built on them, readNumber and skipStatement.
#include <cstring>

#include "fixer/reader.h"
#include "fixer/token_values.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

constexpr int kTokenMax = kTokenSize - 1;

// Character classes are ASCII only: bytes above 127 are ordinary characters.
bool isAsciiLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(int c) { return c >= '0' && c <= '9'; }
bool isAsciiPunct(int c) {
    return c > ' ' && c < 127 && !isAsciiLetter(c) && !isAsciiDigit(c);
}

bool startsNumber(int c) { return isAsciiDigit(c) || c == '.'; }
bool startsName(int c) { return isAsciiLetter(c) || c == '\\'; }

bool continuesNumber(int c, int previous) {
    return isAsciiDigit(c) || c == '.' || c == 'E' || ((c == '+' || c == '-') && previous == 'E');
}

bool continuesName(int c) {
    return isAsciiLetter(c) || isAsciiDigit(c) || (c != 0 && std::strchr("._$\\:&!", c));
}

char finish(char* text, size_t length, char kind) {
    text[length] = '\0';
    std::memcpy(model.lastTokenText, text, length + 1);
    model.lastTokenKind = kind;
    return kind;
}

// '#' to the end of the line.
char readComment(char* text, FILE* input) {
    int c;
    do {
        c = nextChar(input);
    } while (c != '\n' && c != -1);
    text[0] = '#';
    return finish(text, 1, c == -1 ? kTokenEnd : kTokenLineEnd);
}

// Text up to the closing quotation mark, of which the first 39 characters are
// kept. Without a closing mark the line end (or end of input) ends it and the
// quotation counts as a comment.
char readQuoted(char* text, FILE* input) {
    size_t length = 0;
    for (;;) {
        int c = nextChar(input);
        if (c == '"') return finish(text, length, kTokenQuoted);
        if (c == '\n') return finish(text, length, kTokenLineEnd);
        if (c == -1) return finish(text, length, kTokenEnd);
        if (length < kTokenMax) text[length++] = static_cast<char>(c);
    }
}

// A number or a name: characters while they belong to it, at most 39; the
// first one that does not is pushed back to start the next token.
char readWord(char* text, int first, char kind, FILE* input) {
    size_t length = 0;
    text[length++] = static_cast<char>(first);
    int previous = first;
    while (length < kTokenMax) {
        int c = nextChar(input);
        bool belongs = kind == kTokenNumber ? continuesNumber(c, previous) : continuesName(c);
        if (!belongs) {
            ungetChar(c);
            break;
        }
        text[length++] = static_cast<char>(c);
        previous = c;
    }
    return finish(text, length, kind);
}

}  // namespace

char nextToken(char* text, FILE* input) {
    if (model.repeatPending) {
        model.repeatPending = false;
        std::strcpy(text, model.lastTokenText);
        return model.lastTokenKind;
    }
    int c;
    do {
        c = nextChar(input);
    } while (c == ' ' || c == '\t');
    if (c == -1) return kTokenEnd;

    text[0] = static_cast<char>(c);
    if (isAsciiPunct(c) && c != '.' && c != '\\') {
        if (c == '#') return readComment(text, input);
        if (c == '"') return readQuoted(text, input);
        return finish(text, 1, static_cast<char>(c));
    }
    if (startsNumber(c)) return readWord(text, c, kTokenNumber, input);
    if (startsName(c)) return readWord(text, c, kTokenName, input);
    if (c == kTokenEscape) return finish(text, 1, kTokenEscape);
    if (c == '\n') return finish(text, 1, kTokenLineEnd);
    return finish(text, 1, kTokenOther);
}

void repeatToken() { model.repeatPending = true; }

namespace {

// Passes over tokens up to the next number and converts it, negated after a
// '-' token; stops at the end of input, and at a line end when `withinLine`.
// Returns the kind of the token it stopped at.
char scanNumber(FILE* input, bool withinLine, double& value) {
    char text[kTokenSize];
    char before = '+';
    for (;;) {
        char kind = nextToken(text, input);
        if (kind == kTokenEnd || (withinLine && kind == kTokenLineEnd)) return kind;
        if (kind == kTokenNumber) {
            value = tokenValue(text);
            if (before == '-') value = -value;
            return kind;
        }
        before = kind;
    }
}

}  // namespace

double readNumber(FILE* input) {
    double value = 0;
    if (scanNumber(input, false, value) == kTokenEnd) {
        printOut("\n\rEnd of File on input \n");
        return 0;
    }
    return value;
}

bool readNumberOnLine(FILE* input, double& value) {
    if (scanNumber(input, true, value) == kTokenNumber) return true;
    repeatToken();  // the line end or the end of input is the command loop's
    return false;
}

char skipStatement(FILE* input) {
    char text[kTokenSize];
    char before = 0;
    for (;;) {
        char kind = nextToken(text, input);
        if (kind == kTokenEnd) return kTokenEnd;
        bool continued = before && std::strchr("+-/*,_", before);
        if (kind == kTokenLineEnd && !continued) return kTokenLineEnd;
        before = kind;
    }
}
