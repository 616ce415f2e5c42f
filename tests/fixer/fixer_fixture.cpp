// Implementation of the fixer's test support.
#include "fixer/fixer_fixture.h"

#include <cstring>

#include "bank/bank_file.h"
#include "fixer/command_loop.h"
#include "fixer/reader.h"
#include "runctl/console.h"
#include "runctl/dates.h"
#include "state/model_state.h"

namespace {

template <typename T>
void append(std::string& bytes, T value) {
    char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.append(raw, sizeof(T));
}

template <typename T>
T at(const std::string& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

std::vector<float> counting(size_t n) {
    std::vector<float> values;
    for (size_t k = 1; k <= n; ++k) values.push_back(static_cast<float>(k));
    return values;
}

void FixerTest::SetUp() {
    ModelTest::SetUp();
    model.addPrint = 0;
    model.staticSimulation = 'n';
    model.maxIterations = 200;
}

void FixerTest::writeFiles(const Files& files) {
    for (const auto& [name, text] : files) writeFile(scratch.file(name), text);
}

void FixerTest::TearDown() {
    for (FILE* file : opened_) std::fclose(file);
    opened_.clear();
    ModelTest::TearDown();
}

FILE* FixerTest::commandFile(const std::string& text, const std::string& name) {
    writeFile(scratch.file(name), text);
    FILE* file = std::fopen(scratch.file(name).c_str(), "rb");
    opened_.push_back(file);
    return file;
}

FILE* FixerTest::readFrom(const std::string& text) {
    model.consoleInput = 'n';
    model.currentChar = '\n';
    model.pushbackChar = 0;
    model.repeatPending = 0;
    return commandFile(text);
}

std::vector<Token> FixerTest::tokensOf(const std::string& text) {
    FILE* input = readFrom(text);
    std::vector<Token> tokens;
    char buffer[kTokenSize];
    for (char kind; (kind = nextToken(buffer, input)) != kTokenEnd;) tokens.push_back({kind, buffer});
    return tokens;
}

int FixerTest::runCommands(const std::string& text) { return fixerLoop(readFrom(text)); }

std::string FixerTest::run(const std::string& text, const std::string& typed) {
    ConsoleCapture capture(typed);
    result = runCommands(text);
    remaining = capture.remainingInput();
    return capture.output();
}

int FixerTest::runConsole(const std::string& firstLine) {
    model.lineBuffer = firstLine + "\r\n";
    model.linePos = 0;
    model.currentChar = 'a';
    model.pushbackChar = 0;
    model.consoleInput = 'y';
    return fixerLoop(console.in);
}

void FixerTest::makeBank(const BankLayout& layout, int32_t modelSeries, double date1, double date2) {
    for (FILE** stream : {&model.bankDataFile, &model.bankIndexFile}) {  // a bank made before in the case
        if (*stream) std::fclose(*stream);
        *stream = nullptr;
    }
    std::string data;
    append(data, layout.baseYear);
    append(data, layout.baseMonth);
    append(data, layout.length);
    std::string title = layout.title;
    title.resize(kBankTitleSize, '\0');
    data += title;
    std::string index;
    append(index, static_cast<int16_t>(layout.series.size()));
    std::string pool;
    std::vector<uint16_t> offsets;
    for (const BankSeries& s : layout.series) {
        append(data, s.frequency);
        for (int16_t p = 0; p < layout.length; ++p) {
            append(data, p < static_cast<int16_t>(s.values.size()) ? s.values[static_cast<size_t>(p)] : 0.0f);
        }
        offsets.push_back(static_cast<uint16_t>(pool.size()));
        pool += s.name;
        pool.push_back('\0');
    }
    offsets.push_back(static_cast<uint16_t>(pool.size()));
    for (uint16_t offset : offsets) append(index, offset);
    index += pool;
    index.push_back('\0');
    writeFile(scratch.file("bws.bnk"), data);
    writeFile(scratch.file("bws.ind"), index);

    ConsoleCapture quiet;  // readIndex reports "Index read."
    openBankFile("bws.bnk", &model.bankDataFile);
    openBankFile("bws.ind", &model.bankIndexFile);
    ASSERT_EQ(readIndex(model.bankIndexFile, model.nameCount), 0);
    model.bankBaseYear = layout.baseYear;
    model.bankBaseMonth = layout.baseMonth;
    model.bankLength = layout.length;
    model.seriesCount = modelSeries;
    model.fixOfSeries.assign(static_cast<size_t>(modelSeries), 0);
    model.fixCount = 1;
    model.startDate = static_cast<float>(date1);
    model.endDate = static_cast<float>(date2);
    model.printFrom = model.startDate;
    model.printTo = model.endDate;
    model.startIndex = dateToIndex(model.startDate);
    model.endIndex = dateToIndex(model.endDate);
    model.periodCount = model.endIndex - model.startIndex;
}

int32_t FixerTest::bankPosition(const std::string& name) {
    std::vector<std::string> names = bankNames();
    for (size_t k = 0; k < names.size(); ++k) {
        if (names[k] == name) return static_cast<int32_t>(k);
    }
    return -1;
}

std::vector<std::string> FixerTest::bankNames() {
    std::fflush(model.bankIndexFile);
    std::string index = readFile(scratch.file("bws.ind"));
    int16_t count = at<int16_t>(index, 0);
    size_t pool = 2 + 2 * (static_cast<size_t>(count) + 1);
    std::vector<std::string> names;
    for (int16_t k = 0; k < count; ++k) {
        names.emplace_back(index.c_str() + pool + at<uint16_t>(index, 2 + 2 * static_cast<size_t>(k)));
    }
    return names;
}

std::vector<float> FixerTest::bankValues(const std::string& name) {
    std::fflush(model.bankDataFile);
    std::string data = readFile(scratch.file("bws.bnk"));
    int16_t length = at<int16_t>(data, 4);
    int32_t k = bankPosition(name);
    if (k < 0) return {};
    size_t record = 86 + static_cast<size_t>(k) * (1 + 4 * static_cast<size_t>(length));
    std::vector<float> values;
    for (int16_t p = 0; p < length; ++p) values.push_back(at<float>(data, record + 1 + 4 * static_cast<size_t>(p)));
    return values;
}

int8_t FixerTest::bankFrequency(const std::string& name) {
    std::fflush(model.bankDataFile);
    std::string data = readFile(scratch.file("bws.bnk"));
    int16_t length = at<int16_t>(data, 4);
    int32_t k = bankPosition(name);
    return at<int8_t>(data, 86 + static_cast<size_t>(k) * (1 + 4 * static_cast<size_t>(length)));
}

std::string FixerTest::bankTitle() {
    std::fflush(model.bankDataFile);
    return readFile(scratch.file("bws.bnk")).substr(kBankTitleOffset, kBankTitleSize);
}
