// Streams a stochastic run's effective trials into a .npy file with its names
// and dates beside it, each file made fresh and renamed into place at the end.
#include "stochastic/trials_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "base/console.h"
#include "base/date_notation.h"
#include "base/exit.h"
#include "base/file_identity.h"
#include "base/whole_file.h"
#include "state/model_state.h"

namespace {

// The three files, each written whole under a temporary name until the run has ended well.
struct TrialsOutput {
    StagedFile values, series, dates;
    std::vector<unsigned char> trial;  // one trial's bytes, filled for every trial
    int64_t written = 0;
};

std::unique_ptr<TrialsOutput> output;  // held from openTrialsFile to finishTrialsFile or abandonTrialsFile

std::string stem(const std::string& file) {
    const std::string ending = ".npy";
    if (file.size() > ending.size() && file.compare(file.size() - ending.size(), ending.size(), ending) == 0)
        return file.substr(0, file.size() - ending.size());
    return file;
}

[[noreturn]] void cannotWrite(const std::string& name, int error, int code) {
    printOut("\nCannot write the trials file %s: %s\n", name.c_str(), std::strerror(error));
    abandonTrialsFile();
    endProcess(code);
}

// A name the run's other files already have, or that is not a regular file,
// is refused: the rename at the end would replace it.
void refuseTarget(const std::string& file, const std::string& name) {
    struct stat target {};
    if (lstat(name.c_str(), &target) != 0) return;
    const char* problem = nullptr;
    if (!S_ISREG(target.st_mode)) problem = "is not a regular file";
    for (FILE* bank : {model.bankDataFile, model.bankIndexFile}) {
        struct stat open {};
        if (bank && fstat(fileno(bank), &open) == 0 && sameFile(open, target)) problem = "is a file of the bank";
    }
    for (const char* sigma : {kSigmaData, kSigmaIndex}) {
        struct stat other {};
        if (stat(sigma, &other) == 0 && sameFile(other, target)) problem = "is a file of the sigma bank";
    }
    if (!problem) return;
    printErr("\nvorn: --trials %s: %s %s, which the trials file would replace.\n", file.c_str(), name.c_str(),
             problem);
    endProcess(kExitTrialsFileRefused);
}

void createTemporary(const std::string& file, StagedFile& staged, const std::string& name) {
    const FileStatus status = openStagedFile(name, staged);
    if (status.ok()) return;
    printErr("\nvorn: --trials %s: cannot create a file next to %s: %s\n", file.c_str(), name.c_str(),
             std::strerror(status.error));
    abandonTrialsFile();
    endProcess(kExitTrialsFileRefused);
}

bool putText(FILE* stream, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

bool writeLabels() {
    std::string names;
    for (int32_t s = 0; s < model.seriesCount; ++s) {
        std::string name = model.namePool.data() + model.nameOffsets[s];
        for (char& c : name)
            if (c == '\n' || c == '\r') c = '?';  // one line per name
        names += name + "\n";
    }
    std::string dates;
    for (int32_t t = 0; t <= model.periodCount; ++t)
        dates += periodText(bankCalendar(), model.startIndex + t, model.runFrequency) + "\n";
    return putText(output->series.stream, names) && putText(output->dates.stream, dates);
}

}  // namespace

std::string trialsSeriesName(const std::string& file) { return stem(file) + "-series.txt"; }
std::string trialsDatesName(const std::string& file) { return stem(file) + "-dates.txt"; }

std::string trialsHeader(int64_t trials, int64_t series, int64_t periods) {
    char dictionary[kTrialsHeaderSize];
    std::snprintf(dictionary, sizeof dictionary,
                  "{'descr': '<f4', 'fortran_order': False, 'shape': (%lld, %lld, %lld), }",
                  static_cast<long long>(trials), static_cast<long long>(series), static_cast<long long>(periods));
    std::string header("\x93NUMPY\x01\x00", 8);
    const size_t dictionaryLength = kTrialsHeaderSize - 10;
    header += static_cast<char>(dictionaryLength & 0xFF);
    header += static_cast<char>(dictionaryLength >> 8);
    header += dictionary;
    header.resize(kTrialsHeaderSize - 1, ' ');
    header += '\n';
    return header;
}

void openTrialsFile(const std::string& file) {
    const std::string names[] = {file, trialsSeriesName(file), trialsDatesName(file)};
    for (const std::string& name : names) refuseTarget(file, name);
    output = std::make_unique<TrialsOutput>();
    createTemporary(file, output->values, names[0]);
    createTemporary(file, output->series, names[1]);
    createTemporary(file, output->dates, names[2]);
    output->trial.assign(static_cast<size_t>(model.seriesCount) * static_cast<size_t>(model.periodCount + 1) * 4, 0);
    const std::string header = trialsHeader(0, model.seriesCount, model.periodCount + 1);
    if (!putText(output->values.stream, header)) cannotWrite(file, errno, kExitTrialsFileRefused);
}

bool trialsFileOpen() { return output != nullptr; }

void writeTrial() {
    unsigned char* at = output->trial.data();
    for (int32_t s = 0; s < model.seriesCount; ++s) {
        const float* values = &model.series[s][0];
        for (int32_t t = 0; t <= model.periodCount; ++t, at += 4) putFloat(at, values[t]);
    }
    if (std::fwrite(output->trial.data(), 1, output->trial.size(), output->values.stream) != output->trial.size())
        cannotWrite(output->values.path, errno, kExitBankWrite);
    ++output->written;
}

void finishTrialsFile() {
    const std::string header = trialsHeader(output->written, model.seriesCount, model.periodCount + 1);
    if (std::fseek(output->values.stream, 0, SEEK_SET) != 0 || !putText(output->values.stream, header))
        cannotWrite(output->values.path, errno, kExitBankWrite);
    if (!writeLabels()) cannotWrite(output->series.path, errno, kExitBankWrite);
    // The values last: a complete .npy stands beside its names and dates.
    for (StagedFile* staged : {&output->series, &output->dates, &output->values}) {
        const FileStatus closed = closeStagedFile(*staged);
        if (!closed.ok()) cannotWrite(staged->path, closed.error, kExitBankWrite);
    }
    for (StagedFile* staged : {&output->series, &output->dates, &output->values}) {
        const FileStatus committed = commitStagedFile(*staged);
        if (!committed.ok()) cannotWrite(staged->path, committed.error, kExitBankWrite);
    }
    output.reset();
}

void abandonTrialsFile() { output.reset(); }
