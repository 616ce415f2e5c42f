// Splitting CSV lines into cells, writing cells and numbers back, and the check of a header's names.
#include "common/tool_kit.h"

namespace {

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> splitCsvLine(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;     // inside double quotes
    bool wasQuoted = false;  // the cell had quotes: keep its blanks
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cell.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell.push_back(c);
            }
        } else if (c == '"' && trimmed(cell).empty()) {
            quoted = wasQuoted = true;
            cell.clear();
        } else if (c == ',') {
            cells.push_back(wasQuoted ? cell : trimmed(cell));
            cell.clear();
            wasQuoted = false;
        } else if (!wasQuoted || (c != ' ' && c != '\t')) {
            cell.push_back(c);
        }
    }
    cells.push_back(wasQuoted ? cell : trimmed(cell));
    return cells;
}

std::string csvCell(const std::string& text) {
    bool plain = text.find_first_of(",\"\r\n") == std::string::npos && trimmed(text) == text;
    if (plain) return text;
    std::string cell = "\"";
    for (char c : text) {
        if (c == '"') cell.push_back('"');
        cell.push_back(c);
    }
    return cell + "\"";
}

const std::string* repeatedName(const std::vector<std::string>& names) {
    for (size_t c = 0; c < names.size(); ++c)
        for (size_t d = 0; d < c; ++d)
            if (names[d] == names[c]) return &names[c];
    return nullptr;
}

std::string numberCell(double value) { return formatted("%.9g", value); }
