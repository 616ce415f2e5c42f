// addprint, title, maxiter and pause.
#include "fixer/simple_commands.h"

#include <climits>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/journal.h"
#include "fixer/bank_report.h"
#include "fixer/command_loop.h"
#include "fixer/reader.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

// The whole number written by the leading digits of a number token (1.5E3 is
// 1); values beyond the 32-bit range stay at its largest value.
int32_t leadingWholeNumber(const char* text) {
    int64_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

void addprintCommand(FILE* input) {
    char text[kTokenSize];
    if (nextToken(text, input) != kTokenName) {
        printOut("\nFormat is \n addprint <y | n>\n");
        return;
    }
    model.addPrint = std::strcmp(text, "n") != 0;
    printOut("\naddprint is %d\n", model.addPrint ? 1 : 0);
}

void titleCommand() {
    // The rest of the line after the character that ended the keyword.
    char field[kBankTitleSize] = {};
    const std::string& line = model.lineBuffer;
    size_t n = 0;
    for (size_t i = model.linePos; i < line.size() && line[i] != '\n' && n < kBankTitleSize - 1; ++i) {
        field[n++] = line[i];
    }
    if (model.bankDataFile) showBankStatus(writeBankTitle(model.bankDataFile, field, sizeof field));
    model.currentChar = '\n';
    model.pushbackChar = 0;
}

void maxiterCommand(FILE* input) {
    char text[kTokenSize];
    if (nextToken(text, input) != kTokenNumber) return;
    int32_t value = leadingWholeNumber(text);
    if (value < 1) {
        printOut("\nmaxiter must be 1 or more; it stays at %d.\n", model.maxIterations);
        return;
    }
    model.maxIterations = value;
}

int pauseCommand(FILE* input) {
    int c = readChar();
    if (c == kTokenEscape && input != console.in) return kFixerEscape;
    return 0;
}
