// One series of the workspace bank by name: its record is the frequency byte
// and bankLength values, and neither operation goes outside that record.
#include "bank/series_by_name.h"

#include <algorithm>
#include <string_view>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"
#include "bank/name_index.h"
#include "bank/stored_values.h"
#include "state/model_state.h"

namespace {

// The table must hold every period of the record; a negative length has no record.
BankStatus tableFitsRecord(const ValueTable& table, BankError error) {
    if (model.bankLength < 0 || table.size() < static_cast<size_t>(model.bankLength))
        return bankFailure(error, "\nA value table of " + std::to_string(table.size()) +
                                      " periods cannot hold a bank series of " + std::to_string(model.bankLength) +
                                      " periods.\n");
    return {};
}

// Edits (insertions, deletions, replacements, swaps of two neighbours) that
// turn a into b, counted up to 3.
int editDistance(std::string_view a, std::string_view b) {
    constexpr int kFar = 3;
    if (a.size() > b.size() + 2 || b.size() > a.size() + 2) return kFar;
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return std::min(d[a.size()][b.size()], kFar);
}

}  // namespace

std::string similarNameLine(const char* name) {
    int best = 3;
    const char* suggestion = nullptr;
    for (int32_t k = 0; k < model.nameCount; ++k) {
        const char* candidate = model.namePool.data() + model.nameOffsets[k];
        int distance = editDistance(name, candidate);
        if (distance < best) {
            best = distance;
            suggestion = candidate;
        }
    }
    return suggestion ? "  did you mean " + std::string(suggestion) + "?\n" : "";
}

ValueTable makeValueTable() {
    return ValueTable(static_cast<size_t>(std::max<int32_t>(kValueTableLength, model.bankLength)), 0.0f);
}

BankStatus readSeries(const char* name, ValueTable& table) {
    int32_t k = findName(model.nameOffsets, model.namePool, name, model.nameCount);
    if (k < 0) return bankFailure(BankError::notRead, "\nCannot find " + std::string(name) + "\n" + similarNameLine(name));
    return readSeriesAt(k, table);
}

BankStatus readSeriesAt(int32_t k, ValueTable& table) {
    const char* name = model.namePool.data() + model.nameOffsets[k];
    BankStatus read = tableFitsRecord(table, BankError::notRead);
    if (read.error != BankError::none) return read;
    if (std::fseek(model.bankDataFile, recordOffset(k), SEEK_SET) != 0)
        return bankFailure(BankError::notRead, " \n cannot fseek ");
    int frequencyByte = std::fgetc(model.bankDataFile);
    size_t wanted = static_cast<size_t>(model.bankLength);
    if (frequencyByte == EOF || readFloats(model.bankDataFile, table.data(), wanted) != wanted)
        return bankFailure(BankError::notRead, " \n cannot read " + std::string(name) + " from " + std::to_string(k) + " ");
    model.frequency = static_cast<int8_t>(frequencyByte);
    return {};
}

int16_t recordFrequency(int32_t k) {
    if (std::fseek(model.bankDataFile, recordOffset(k), SEEK_SET) != 0) return 0;
    int frequencyByte = std::fgetc(model.bankDataFile);
    return frequencyByte == EOF ? 0 : static_cast<int8_t>(frequencyByte);
}

BankStatus writeSeries(const char* name, const ValueTable& table, int32_t& position) {
    BankStatus written = tableFitsRecord(table, BankError::notWritten);
    if (written.error != BankError::none) return written;
    written = checkValuesFinite(name, table.data(), model.bankLength, 0, model.frequency);
    if (written.error != BankError::none) return written;
    AppendedName undo{};
    int32_t k = findName(model.nameOffsets, model.namePool, name, model.nameCount);
    if (k < 0) {
        written = appendName(name, undo, k);
        if (written.error != BankError::none) return written;
    }
    std::vector<unsigned char> record(1 + 4 * static_cast<size_t>(model.bankLength));
    record[0] = static_cast<unsigned char>(model.frequency & 0xFF);
    for (int32_t p = 0; p < model.bankLength; ++p) putFloat(&record[1 + 4 * static_cast<size_t>(p)], table[p]);
    written = writeBankBytes(model.bankDataFile, recordOffset(k), record.data(), record.size());
    if (written.error == BankError::notPositioned) written.message += "\nCannot position to write.";
    if (written.error == BankError::notWritten)
        written.message += "\n Cannot write " + std::string(name) + " on " + std::to_string(static_cast<double>(k));
    if (written.error == BankError::none)
        written = writeIndex(model.bankIndexFile, model.nameOffsets, model.namePool, model.nameCount);
    if (written.error != BankError::none) {
        takeBackName(undo);
        return written;
    }
    position = k;
    return written;
}
