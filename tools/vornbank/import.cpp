// vornbank import: series from a CSV file into a bank. The whole file is
// checked against the bank before the first byte is written.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "bank/name_index.h"
#include "bank/series_by_name.h"
#include "base/dates.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kImportHelp =
    "usage: vornbank import BANK FILE.csv [--frequency annual|semi-annual|quarterly|monthly]\n"
    "\n"
    "Writes the series of FILE.csv into BANK. The first line is the header date,NAME1,NAME2,...;\n"
    "every further line is DATE,v1,v2,... with one value per series. The column headed date (in\n"
    "any case), or else the first column, holds the dates, in any of these notations:\n"
    "  quarters  1995.1  1995Q1  1995q1  1995-Q1  1995:1\n"
    "  months    1995.001  1995M01  1995m1  1995-01\n"
    "  halves    1995.5  1995.6  1995H1  1995S2\n"
    "  years     1995\n"
    "  days      1995-01-01, the period that holds the day; needs --frequency\n"
    "All dates of a file have one frequency, which becomes the series' frequency; --frequency\n"
    "states it and refuses dates of any other. An empty cell stores the missing-value marker.\n"
    "\n"
    "A series already in the bank changes only at the file's dates; a new name is added to the\n"
    "bank with the missing-value marker at every other period. Nothing is written when any\n"
    "line of the file is wrong or any date lies outside the bank.\n";

struct CsvLine {
    int number;
    std::string text;
};

struct ImportRow {
    int line;
    PeriodDate date;
    std::vector<float> values;
};

// One series to write: its values over the whole bank and its frequency byte.
struct Destination {
    ValueTable table;
    int16_t frequency;
};

// Longer lines are refused: room for a header naming every series a bank can
// hold, or a row of values for each, while a file that never ends a line
// (a device) is not read without end.
constexpr size_t kMaxLineLength = 1 << 20;

// One line without its line feed; false at the end of the file with nothing read.
bool readLine(std::istream& in, const std::string& path, int number, std::string& text) {
    text.clear();
    char c;
    while (in.get(c)) {
        if (c == '\n') return true;
        if (text.size() == kMaxLineLength)
            fail("%s line %d is longer than %zu characters", path.c_str(), number, kMaxLineLength);
        text.push_back(c);
    }
    return !text.empty();
}

// The lines of the file that hold anything, without line ends or a byte-order mark.
std::vector<CsvLine> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot open %s: %s", path.c_str(), std::strerror(errno));
    std::vector<CsvLine> lines;
    std::string text;
    for (int number = 1; readLine(in, path, number, text); ++number) {
        if (number == 1 && text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.find_first_not_of(" \t,") != std::string::npos) lines.push_back({number, text});
    }
    if (in.bad()) fail("cannot read %s", path.c_str());
    return lines;
}

// The header: the column named "date" (any case), or else the first, holds the
// dates; every other column names a series.
struct CsvHeader {
    size_t dateColumn;
    std::vector<std::string> names;
};

CsvHeader readHeader(const std::string& path, const CsvLine& line) {
    std::vector<std::string> cells = splitCsvLine(line.text);
    CsvHeader header{0, {}};
    for (size_t c = 0; c < cells.size(); ++c) {
        std::string lower = cells[c];
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (lower == "date") {
            header.dateColumn = c;
            break;
        }
    }
    for (size_t c = 0; c < cells.size(); ++c) {
        if (c == header.dateColumn) continue;
        if (cells[c].empty()) fail("%s line %d: column %zu has no series name", path.c_str(), line.number, c + 1);
        if (cells[c].find('\0') != std::string::npos)
            fail("%s line %d: the name in column %zu holds a zero byte", path.c_str(), line.number, c + 1);
        header.names.push_back(cells[c]);
    }
    if (const std::string* twice = repeatedName(header.names))
        fail("%s line %d: series %s is named twice", path.c_str(), line.number, twice->c_str());
    if (header.names.empty()) fail("%s line %d: the header names no series", path.c_str(), line.number);
    return header;
}

// A number written in decimals: sign, digits with at most one point, and an exponent.
bool decimalNumber(const std::string& cell) {
    size_t at = cell[0] == '+' || cell[0] == '-' ? 1 : 0;
    size_t digits = 0;
    for (bool point = false; at < cell.size(); ++at) {
        if (std::isdigit(static_cast<unsigned char>(cell[at])))
            ++digits;
        else if (cell[at] == '.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0) return false;
    if (at < cell.size() && (cell[at] == 'e' || cell[at] == 'E')) {
        at += at + 1 < cell.size() && (cell[at + 1] == '+' || cell[at + 1] == '-') ? 2 : 1;
        size_t exponent = at;
        while (at < cell.size() && std::isdigit(static_cast<unsigned char>(cell[at]))) ++at;
        if (at == exponent) return false;
    }
    return at == cell.size();
}

// The cell's value as the bank will hold it; refuses what it could not hold as written.
float cellValue(const std::string& path, int line, const std::string& name, const std::string& cell) {
    if (cell.empty()) return kMissingValue;
    if (cell.find('\0') != std::string::npos)
        fail("%s line %d, series %s: the cell holds a zero byte", path.c_str(), line, name.c_str());
    char* end = nullptr;
    errno = 0;
    float value = std::strtof(cell.c_str(), &end);
    if (end != cell.c_str() + cell.size())
        fail("%s line %d, series %s: '%s' is not a number", path.c_str(), line, name.c_str(), cell.c_str());
    if (errno == ERANGE && std::isinf(value))
        fail("%s line %d, series %s: %s lies beyond the range of 32-bit floats", path.c_str(), line,
             name.c_str(), cell.c_str());
    if (!std::isfinite(value))  // "nan", "inf": the solution could not use them
        fail("%s line %d, series %s: %s is not a finite number", path.c_str(), line, name.c_str(), cell.c_str());
    if (!decimalNumber(cell))
        fail("%s line %d, series %s: %s is not a decimal number", path.c_str(), line, name.c_str(), cell.c_str());
    if ((value == 0 && errno == ERANGE) || (value != 0 && std::fabs(value) < FLT_MIN))
        fail("%s line %d, series %s: %s lies below the smallest normal 32-bit float, %.9g", path.c_str(), line,
             name.c_str(), cell.c_str(), static_cast<double>(FLT_MIN));
    if (value == kMissingValue)
        fail("%s line %d, series %s: %s is the bank's missing-value marker; leave the cell empty for a missing "
             "value",
             path.c_str(), line, name.c_str(), cell.c_str());
    return value;
}

// `frequency` is the one --frequency gives, or 0.
std::vector<ImportRow> dataRows(const std::string& path, const std::vector<CsvLine>& lines,
                                const CsvHeader& header, int16_t frequency) {
    const std::vector<std::string>& names = header.names;
    std::vector<ImportRow> rows;
    std::map<int32_t, int> lineOfPeriod;
    for (size_t l = 1; l < lines.size(); ++l) {
        const CsvLine& line = lines[l];
        std::vector<std::string> cells = splitCsvLine(line.text);
        if (cells.size() != names.size() + 1)
            fail("%s line %d has %zu cells; the header has %zu", path.c_str(), line.number, cells.size(),
                 names.size() + 1);
        ImportRow row{line.number, {}, {}};
        const std::string& dateCell = cells[header.dateColumn];
        std::string problem;
        if (!parseDateNotation(bankCalendar(), dateCell, frequency, row.date, problem))
            fail("%s line %d, cell '%s' %s; accepted: %s", path.c_str(), line.number, dateCell.c_str(),
                 problem.c_str(), kDateNotations);
        if (!rows.empty() && row.date.frequency != rows[0].date.frequency)
            fail("%s line %d: %s is %s, but the dates before it are %s", path.c_str(), line.number,
                 dateCell.c_str(), frequencyName(row.date.frequency), frequencyName(rows[0].date.frequency));
        if (row.date.index < 0 || row.date.index >= model.bankLength)
            fail("%s line %d: %s lies outside the bank, which holds %s to %s", path.c_str(), line.number,
                 dateCell.c_str(), periodText(bankCalendar(), 0, row.date.frequency).c_str(),
                 periodText(bankCalendar(), model.bankLength - 1, row.date.frequency).c_str());
        auto [at, fresh] = lineOfPeriod.emplace(row.date.index, line.number);
        if (!fresh)
            fail("%s line %d: %s is given on line %d already", path.c_str(), line.number, dateCell.c_str(),
                 at->second);
        for (size_t c = 0, n = 0; c < cells.size(); ++c)
            if (c != header.dateColumn) row.values.push_back(cellValue(path, line.number, names[n++], cells[c]));
        rows.push_back(row);
    }
    return rows;
}

// The bank's values of every named series (the missing-value marker for a new
// name), checked against the file's frequency.
std::vector<Destination> destinations(const std::string& base, const std::vector<std::string>& names,
                                      const std::vector<ImportRow>& rows) {
    std::vector<Destination> result;
    int32_t newNames = 0;
    int64_t newCharacters = 0;
    for (const std::string& name : names) {
        Destination d{makeValueTable(), 0};
        if (findName(model.nameOffsets, model.namePool, name.c_str(), model.nameCount) >= 0) {
            if (bankFailed(readSeries(name.c_str(), d.table)))
                fail("cannot read series %s from %s", name.c_str(), base.c_str());
            d.frequency = model.frequency;
            if (!rows.empty() && knownFrequency(d.frequency) && d.frequency != rows[0].date.frequency)
                fail("series %s is %s in %s, but the file's dates are %s", name.c_str(),
                     frequencyName(d.frequency), base.c_str(), frequencyName(rows[0].date.frequency));
        } else {
            if (rows.empty())
                fail("series %s is new, and a new series needs dated rows to take its frequency from",
                     name.c_str());
            std::fill(d.table.begin(), d.table.end(), kMissingValue);
            ++newNames;
            newCharacters += static_cast<int64_t>(name.size());
        }
        if (!rows.empty()) d.frequency = rows[0].date.frequency;
        result.push_back(std::move(d));
    }
    if (!indexHasRoom(newNames, newCharacters))
        fail("the index of %s has no room for %d more names (%lld characters)", base.c_str(), newNames,
             static_cast<long long>(newCharacters));
    return result;
}

}  // namespace

int16_t frequencyOption(const std::string& verb, const VerbArgs& parsed) {
    auto found = parsed.options.find("frequency");
    if (found == parsed.options.end()) return 0;
    int16_t frequency = frequencyOfName(found->second);
    if (frequency == 0)
        usageFail(verb, "--frequency %s is none of annual, semi-annual, quarterly, monthly", found->second.c_str());
    return frequency;
}

CsvSummary summariseCsv(const std::string& path, int16_t frequency) {
    std::vector<CsvLine> lines = readLines(path);
    if (lines.empty()) fail("%s is empty; it needs the header date,NAME1,NAME2,...", path.c_str());
    CsvHeader header = readHeader(path, lines[0]);
    std::vector<ImportRow> rows = dataRows(path, lines, header, frequency);
    if (rows.empty()) fail("%s has no dated rows", path.c_str());
    auto [low, high] = std::minmax_element(rows.begin(), rows.end(), [](const ImportRow& a, const ImportRow& b) {
        return a.date.index < b.date.index;
    });
    return {low->date, high->date, header.names.size()};
}

int runImport(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("import", args, {"frequency"}, {}, kImportHelp);
    if (parsed.words.size() != 2) usageFail("import", "import takes a BANK and a CSV file");
    int16_t frequency = frequencyOption("import", parsed);
    std::string base = bankBase(parsed.words[0]);
    const std::string& path = parsed.words[1];
    std::vector<CsvLine> lines = readLines(path);
    openToolBank(base, true);
    if (lines.empty()) fail("%s is empty; it needs the header date,NAME1,NAME2,...", path.c_str());
    CsvHeader header = readHeader(path, lines[0]);
    const std::vector<std::string>& names = header.names;
    std::vector<ImportRow> rows = dataRows(path, lines, header, frequency);
    std::vector<Destination> targets = destinations(base, names, rows);

    int32_t added = 0;
    for (size_t c = 0; c < names.size(); ++c) {
        for (const ImportRow& row : rows) targets[c].table[row.date.index] = row.values[c];
        int32_t before = model.nameCount;
        model.frequency = targets[c].frequency;
        int32_t position;
        if (bankFailed(writeSeries(names[c].c_str(), targets[c].table, position)))
            fail("cannot write series %s into %s", names[c].c_str(), base.c_str());
        added += model.nameCount - before;
    }
    std::fprintf(toolOut, "imported %zu series (%d new) at %zu dates into %s\n", names.size(), added,
                 rows.size(), base.c_str());
    return kExitNormal;
}
