// Opening a bank for the tool: its two files, the index and the header go
// into the model record, where the bank code finds them.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "common/tool_kit.h"

namespace {

FILE* openFile(const std::string& name, bool forUpdate) {
    FILE* stream = std::fopen(name.c_str(), forUpdate ? "r+b" : "rb");
    if (!stream) fail("cannot open %s: %s", name.c_str(), std::strerror(errno));
    return stream;
}

}  // namespace

std::string bankBase(const std::string& word) {
    for (const char* ending : {".bnk", ".ind"}) {
        size_t n = std::strlen(ending);
        if (word.size() > n && word.compare(word.size() - n, n, ending) == 0)
            return word.substr(0, word.size() - n);
    }
    return word;
}

void claimToolBank(const std::string& base, BankAccess access, bool create) {
    BankOpen opened = claimBank(base + ".bnk", base + ".ind", access, create);
    // The refusal's line is held: it becomes the failure's one line.
    if (opened != BankOpen::ready) endProcess(claimExitCode(opened, 1));
    std::string said = takeHeldMessages();  // that a journal was applied or removed
    if (!said.empty()) std::fprintf(console.err, "%s\n", said.c_str());
}

BankHeader openToolBank(const std::string& base, bool forUpdate) {
    std::string dataName = base + ".bnk";
    std::string indexName = base + ".ind";
    claimToolBank(base, forUpdate ? BankAccess::write : BankAccess::read, false);
    model.bankDataFile = openFile(dataName, forUpdate);
    model.bankIndexFile = openFile(indexName, forUpdate);
    if (forUpdate) {
        trackBankFile(model.bankDataFile, dataName, dataName);
        trackBankFile(model.bankIndexFile, indexName, dataName);
    }
    if (readIndex(model.bankIndexFile, model.nameCount) != 0)
        fail("%s is not a readable bank index", indexName.c_str());
    takeHeldMessages();  // "Index read."
    BankHeader header;
    if (readBankHeader(model.bankDataFile, header) != 0)
        fail("%s is not a bank data file", dataName.c_str());
    if (checkBankExtent(model.bankDataFile, header.baseMonth, header.length, model.nameCount) != 0)
        fail("%s is not a whole bank data file", dataName.c_str());
    model.bankBaseYear = header.baseYear;
    model.bankBaseMonth = header.baseMonth;
    model.bankLength = header.length;
    return header;
}

void refuseBankOutput(const std::string& option, const std::string& path, const std::vector<std::string>& bases) {
    struct stat out;
    if (::stat(path.c_str(), &out) != 0) return;  // a file that is not there is no bank's
    for (const std::string& base : bases) {
        for (const std::string& name : {base + ".bnk", base + ".ind", journalName(base + ".bnk")}) {
            struct stat file;
            if (::stat(name.c_str(), &file) == 0 && file.st_dev == out.st_dev && file.st_ino == out.st_ino)
                fail("--%s %s is %s, a file of the bank %s, which this command reads", option.c_str(), path.c_str(),
                     name.c_str(), base.c_str());
        }
    }
}
