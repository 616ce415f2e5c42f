// The fuzz targets' scratch directory, quiet console, small bank and input splitting.
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/journal.h"
#include "bank/series_by_name.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

constexpr int16_t kBankBaseYear = 1990;
constexpr int16_t kBankBaseMonth = 1;
constexpr int16_t kBankLength = 80;

FILE* createFile(const char* name) {
    FILE* file = std::fopen(name, "w+b");
    if (!file) {
        std::perror(name);
        std::abort();
    }
    return file;
}

// The small bank's two files as bytes. Targets write them afresh for every
// input: a file copy could be cut short by libFuzzer's timer signal.
std::string fuzzBankData;
std::string fuzzBankIndex;

std::string readWholeFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The small bank, written through the bank layer as vornbank would write it.
void makeFuzzBank() {
    resetModelState();
    model.bankDataFile = createFile("fuzzbank.bnk");
    model.bankIndexFile = createFile("fuzzbank.ind");
    trackBankFile(model.bankDataFile, "fuzzbank.bnk", "fuzzbank.bnk");
    trackBankFile(model.bankIndexFile, "fuzzbank.ind", "fuzzbank.bnk");
    model.bankBaseYear = kBankBaseYear;
    model.bankBaseMonth = kBankBaseMonth;
    model.bankLength = kBankLength;
    model.nameOffsets.assign(1, 0);
    model.namePool.assign(1, '\0');
    bool written =
        writeBankHeader(model.bankDataFile, {kBankBaseYear, kBankBaseMonth, kBankLength, "fuzz"}).error == BankError::none &&
        writeIndex(model.bankIndexFile, model.nameOffsets, model.namePool, 0).error == BankError::none;
    ValueTable table = makeValueTable();
    model.frequency = 4;
    for (size_t s = 0; written && s < kFuzzSeriesNames.size(); ++s) {
        for (int p = 0; p < kBankLength; ++p) table[p] = static_cast<float>(p + 1 + 100 * s);
        int32_t position;
        written = writeSeries(kFuzzSeriesNames[s].c_str(), table, position).error == BankError::none;
    }
    closeBankFiles();
    written = written && commitBankChanges().error == BankError::none;
    resetModelState();
    if (!written) {
        std::fputs("fuzz: cannot write the small bank\n", stderr);
        std::abort();
    }
    fuzzBankData = readWholeFile("fuzzbank.bnk");
    fuzzBankIndex = readWholeFile("fuzzbank.ind");
}

}  // namespace

void enterFuzzWorkdir() {
    static bool entered = false;
    if (entered) return;
    entered = true;
    std::string pattern = (std::filesystem::temp_directory_path() / "vorn-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) {
        std::perror("fuzz: scratch directory");
        std::abort();
    }
    console.in = std::fopen("/dev/null", "rb");
    console.out = std::fopen("/dev/null", "wb");
    console.err = console.out;
    if (!console.in || !console.out) std::abort();
    makeFuzzBank();
}

void writeFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    FILE* file = createFile(name.c_str());
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

void writeFuzzFile(const std::string& name, const std::string& bytes) {
    writeFuzzFile(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void copyFuzzBank(const std::string& stem) {
    writeFuzzFile(stem + ".bnk", fuzzBankData);
    writeFuzzFile(stem + ".ind", fuzzBankIndex);
}

void writeFuzzRunFiles() {
    copyFuzzBank("bws");
    writeFuzzFile("vorn.cfg", "data ; bws.bnk\nindex ; bws.ind\n");
    std::string lags = {static_cast<char>(kFuzzSeriesNames.size()), '\0'};
    lags.append(kFuzzSeriesNames.size(), '\1');
    writeFuzzFile("vorn.lag", lags);
}

std::vector<std::string> splitFuzzInput(const uint8_t* data, size_t size, size_t count) {
    static const std::string kSeparator = "\n==\n";
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t from = 0;
    while (parts.size() + 1 < count) {
        size_t at = input.find(kSeparator, from);
        if (at == std::string::npos) break;
        parts.push_back(input.substr(from, at - from));
        from = at + kSeparator.size();
    }
    parts.push_back(input.substr(std::min(from, input.size())));
    parts.resize(count);
    return parts;
}

void beginFuzzInput() {
    enterFuzzWorkdir();
    resetModelState();
}

void endFuzzInput() {
    closeBankFiles();
    // The input's bank changes are dropped with their journals: the next input starts afresh.
    forgetBankChanges();
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().ends_with("-journal")) std::filesystem::remove(entry.path());
    resetModelState();
    std::clearerr(console.in);
}
