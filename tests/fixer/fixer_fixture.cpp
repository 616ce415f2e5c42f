// Implementation of the fixer's test support.
#include "fixer/fixer_fixture.h"

#include "fixer/command_loop.h"
#include "fixer/reader.h"
#include "base/console.h"
#include "base/dates.h"
#include "state/model_state.h"

std::vector<float> counting(size_t n) {
    std::vector<float> values;
    for (size_t k = 1; k <= n; ++k) values.push_back(static_cast<float>(k));
    return values;
}

void FixerTest::SetUp() {
    ModelTest::SetUp();
    model.addPrint = false;
    model.staticSimulation = false;
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
    model.consoleInput = false;
    model.currentChar = '\n';
    model.pushbackChar = 0;
    model.repeatPending = false;
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
    model.consoleInput = true;
    return fixerLoop(console.in);
}

void FixerTest::makeBank(const BankLayout& layout, int32_t modelSeries, double date1, double date2) {
    for (FILE** stream : {&model.bankDataFile, &model.bankIndexFile}) {  // a bank made before in the case
        if (*stream) std::fclose(*stream);
        *stream = nullptr;
    }
    std::vector<std::string> names;
    std::vector<RecordBytes> records;
    for (const BankSeries& s : layout.series) {
        names.push_back(s.name);
        records.push_back({static_cast<char>(s.frequency), s.values});
    }
    openWorkspaceBank(dataFileBytes(layout.baseYear, layout.baseMonth, layout.length, records, layout.title),
                      indexFileBytes(names));
    model.seriesCount = modelSeries;
    model.fixOfSeries.assign(static_cast<size_t>(modelSeries), 0);
    model.fixCount = 1;
    model.startDate = static_cast<float>(date1);
    model.endDate = static_cast<float>(date2);
    model.printFrom = model.startDate;
    model.printTo = model.endDate;
    model.startIndex = periodOfDate(bankCalendar(), model.startDate).index;
    const PeriodDate end = periodOfDate(bankCalendar(), model.endDate);
    model.endIndex = end.index;
    model.frequency = end.frequency;
    model.runFrequency = end.frequency;
    model.periodCount = model.endIndex - model.startIndex;
}

BankImage FixerTest::bank() {
    std::fflush(model.bankDataFile);
    std::fflush(model.bankIndexFile);
    return BankImage(scratch.file("bws"));
}
