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

void FixerTest::TearDown() {
    for (FILE* file : opened_) std::fclose(file);
    opened_.clear();
    ModelTest::TearDown();
}

void FixerTest::writeFiles(const Files& files) {
    for (const auto& [name, text] : files) writeFile(scratch.file(name), text);
}

FILE* FixerTest::readFrom(const std::string& text) {
    model.consoleInput = 'n';
    model.currentChar = '\n';
    model.pushbackChar = 0;
    model.repeatPending = 0;
    writeFile(scratch.file("commands.fix"), text);
    opened_.push_back(std::fopen(scratch.file("commands.fix").c_str(), "rb"));
    return opened_.back();
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
    std::string data, index, pool;
    append(data, layout.baseYear);
    append(data, layout.baseMonth);
    append(data, layout.length);
    std::string title = layout.title;
    title.resize(kBankTitleSize, '\0');
    data += title;
    append(index, static_cast<int16_t>(layout.series.size()));
    for (const BankSeries& s : layout.series) {
        append(data, s.frequency);
        for (size_t p = 0; p < static_cast<size_t>(layout.length); ++p) append(data, p < s.values.size() ? s.values[p] : 0.0f);
        append(index, static_cast<uint16_t>(pool.size()));
        pool += s.name + '\0';
    }
    append(index, static_cast<uint16_t>(pool.size()));
    writeFile(scratch.file("bws.bnk"), data);
    writeFile(scratch.file("bws.ind"), index + pool + '\0');

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

std::vector<std::string> FixerTest::bankNames() {
    std::fflush(model.bankIndexFile);
    std::string index = readFile(scratch.file("bws.ind"));
    size_t count = static_cast<size_t>(at<int16_t>(index, 0));
    size_t pool = 2 + 2 * (count + 1);
    std::vector<std::string> names;
    for (size_t k = 0; k < count; ++k) names.emplace_back(index.c_str() + pool + at<uint16_t>(index, 2 + 2 * k));
    return names;
}

std::string FixerTest::bankRecord(const std::string& name) {
    std::vector<std::string> names = bankNames();
    std::fflush(model.bankDataFile);
    std::string data = readFile(scratch.file("bws.bnk"));
    size_t size = 1 + 4 * static_cast<size_t>(at<int16_t>(data, 4));
    for (size_t k = 0; k < names.size(); ++k) {
        if (names[k] == name) return data.substr(86 + k * size, size);
    }
    return "";
}

std::vector<float> FixerTest::bankValues(const std::string& name) {
    std::string record = bankRecord(name);
    std::vector<float> values;
    for (size_t offset = 1; offset < record.size(); offset += 4) values.push_back(at<float>(record, offset));
    return values;
}

int8_t FixerTest::bankFrequency(const std::string& name) { return at<int8_t>(bankRecord(name), 0); }

std::string FixerTest::bankTitle() {
    std::fflush(model.bankDataFile);
    return readFile(scratch.file("bws.bnk")).substr(kBankTitleOffset, kBankTitleSize);
}
