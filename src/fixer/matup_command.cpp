// The matup command ("mdata" in its messages): up to 12 series given together
// as rows of a table, one value per series in each row, for the 60 periods
// after the base period.
#include <array>
#include <string>
#include <vector>

#include "fixer/bank_report.h"
#include "fixer/gap_fill.h"
#include "fixer/reader.h"
#include "fixer/token_values.h"
#include "fixer/update_commands.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

constexpr size_t kMaxMatupSeries = 12;
constexpr int32_t kMatupPeriods = 60;

using MatupRow = std::array<float, kMatupPeriods>;

// Reads the rows into the table; false when a row is refused.
bool readRows(std::vector<MatupRow>& rows, bool startMode, int32_t r, FILE* input) {
    char text[kTokenSize];
    for (;;) {
        char kind;
        while ((kind = nextToken(text, input)) == kTokenLineEnd) {}
        repeatToken();
        if (kind != kTokenNumber) return true;
        if (startMode) {
            ++r;
        } else {
            nextToken(text, input);
            if (!tokenDate(text, r)) return false;
        }
        if (r <= model.startIndex) {
            skipStatement(input);
            return true;
        }
        int32_t c = r - model.startIndex - 1;
        if (c >= kMatupPeriods) {
            printOut("\nSeries too long for mdata  %s\n", model.lastTokenText);
            return false;
        }
        for (MatupRow& row : rows) {
            row[static_cast<size_t>(c)] = static_cast<float>(readNumber(input));
        }
        if (nextToken(text, input) != kTokenLineEnd) return true;
    }
}

// Periods after the base period take the row's values (gaps filled); beyond the row, 0.
int32_t writeRow(const std::string& name, const MatupRow& row) {
    ValueTable table = makeValueTable();
    if (readShownSeries(name.c_str(), table) == -1) return -1;
    for (int32_t k = model.startIndex + 1; k < model.bankLength; ++k) {
        if (k < 0) continue;
        int32_t c = k - model.startIndex - 1;
        table[static_cast<size_t>(k)] = c < kMatupPeriods ? row[static_cast<size_t>(c)] : 0.0f;
    }
    writeShownSeries(name.c_str(), table);
    return 0;
}

}  // namespace

int matupCommand(FILE* input) {
    char text[kTokenSize];
    char kind = nextToken(text, input);
    bool startMode = kind == kTokenNumber;
    int32_t r = 0;
    if (startMode) {
        bool goodDate = tokenDate(text, r);
        while (kind != kTokenLineEnd && kind != kTokenEnd) kind = nextToken(text, input);
        if (!goodDate) return -1;
        --r;
    }

    std::vector<std::string> names;
    while (nextToken(text, input) == kTokenName) {
        if (names.size() == kMaxMatupSeries) {
            printOut("\nNo more than 12 series allowed on mdata command\n");
            return -1;
        }
        names.emplace_back(text);
    }

    std::vector<MatupRow> rows(names.size(), MatupRow{});
    if (!readRows(rows, startMode, r, input)) return -1;
    if (model.lastTokenKind == ';') nextToken(text, input);

    for (const std::string& name : names)
        if (!hasRunFrequency(name.c_str(), frequencyOfSeries(name.c_str()))) return -1;
    for (size_t i = 0; i < names.size(); ++i) {
        fillGaps(rows[i].data(), kMatupPeriods);
        if (!storableValues(names[i].c_str(), rows[i].data(), model.startIndex + 1, kMatupPeriods)) return -1;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (writeRow(names[i], rows[i]) == -1) return -1;
    }
    return 0;
}
