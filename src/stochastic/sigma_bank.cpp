// The sigma bank: its copy at start-up and the standard deviations written into it.
#include "stochastic/sigma_bank.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "base/console.h"
#include "base/exit.h"
#include "base/file_identity.h"
#include "fixer/bank_report.h"
#include "state/model_state.h"

namespace {

// Means go to the workspace bank and standard deviations to the sigma bank: one
// file for both would lose the means.
void refuseWorkspaceAsSigmaBank() {
    for (const char* sigma : {kSigmaData, kSigmaIndex}) {
        struct stat sigmaStatus {};
        if (stat(sigma, &sigmaStatus) != 0) continue;
        for (FILE* workspace : {model.bankDataFile, model.bankIndexFile}) {
            struct stat workspaceStatus {};
            if (fstat(fileno(workspace), &workspaceStatus) == 0 && sameFile(sigmaStatus, workspaceStatus)) {
                printOut("\nThe workspace bank is the sigma bank (%s): a stochastic run would write its "
                         "standard deviations over its means.\n",
                         sigma);
                endProcess(kExitRunRefused);
            }
        }
    }
}

// A copy made through the bank layer, so that a run that fails puts the sigma
// files back as they were.
bool copyIntoSigmaBank(const std::filesystem::path& source, const std::string& target) {
    std::ifstream in(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    FILE* stream = nullptr;
    BankStatus copied = openEmptiedBankFile(target, kSigmaData, stream);
    if (copied.error == BankError::none) copied = writeBankBytes(stream, 0, bytes.data(), bytes.size());
    closeBankFile(stream);
    return showBankStatus(copied);
}

}  // namespace

// The copy's source is read under a shared lock when it is not the workspace
// bank, which the run holds already.
void copySigmaBank(const std::string& workspaceDataName) {
    refuseWorkspaceAsSigmaBank();
    const std::pair<const char*, const char*> files[] = {{"bws.bnk", kSigmaData}, {"bws.ind", kSigmaIndex}};
    showOpenedBank(claimBank(files[0].first, files[1].first, BankAccess::read));
    // Paired before a sigma data file is made to be locked, so that a kill leaves no trace of it.
    if (!showBankStatus(pairBankChanges(workspaceDataName, kSigmaData))) endProcess(kExitSigmaCopy);
    showOpenedBank(claimBank(kSigmaData, kSigmaIndex, BankAccess::write, true));
    for (const auto& [source, target] : files) {
        if (!std::filesystem::is_regular_file(source)) continue;
        if (!copyIntoSigmaBank(source, target)) {
            printOut("\nCannot copy %s to %s: %s\n", source, target, std::strerror(errno));
            endProcess(kExitSigmaCopy);
        }
    }
}

void writeSigmaBank(TrialSums& sums) {
    DoubleMatrix& squares = sums.squares;
    for (int32_t t = 0; t <= model.periodCount; ++t) {
        for (int32_t s = 0; s < model.seriesCount; ++s) {
            double variance = squares[s][t] - sums.means[s][t] * sums.means[s][t];
            squares[s][t] = variance >= 0.0001 ? std::sqrt(variance) : 0.0;
        }
    }
    showOpenedBank(openBankFiles(kSigmaData, kSigmaIndex, BankAccess::write));
    for (int32_t t = 0; t <= model.periodCount; ++t)
        for (int32_t s = 0; s < model.seriesCount; ++s) model.series[s][t] = static_cast<float>(squares[s][t]);
    printOut("\nWriting sigma to bank.");
    showWrittenSeries(writeAllSeries(model.series, model.bankDataFile));
    // The rest of the title field keeps what the copied bank had.
    const std::string title = "Sigma bank with " + std::to_string(model.drawCount) + " trials.";
    showBankStatus(writeBankTitle(model.bankDataFile, title.data(), title.size()));
    printOut("\n");
    printOut("\nTotal trials are\t %3d", sums.totalTrials);
    printOut("\nNonconverged trials (discarded) are %3d", sums.discarded);
    printOut("\nEffective trials are\t%3d", model.drawCount);
    printOut("\n");
    closeBankFiles();
}
