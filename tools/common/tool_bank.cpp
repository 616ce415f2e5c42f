// Opening a bank for the tool through the bank layer, which puts its two
// files, the index and the header into the model record; what goes wrong ends
// the command with one line.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "base/console.h"
#include "base/exit.h"
#include "base/file_identity.h"
#include "state/model_state.h"
#include "common/tool_kit.h"

namespace {

// A bank refused as it is claimed ends the command with its words held: they
// become the failure's one line. Otherwise what claiming it did (a journal
// applied or removed) is said in one line.
void showClaim(const BankStatus& claimed) {
    switch (claimed.error) {
    case BankError::busy:
    case BankError::untrusted:
    case BankError::notRegular:
    case BankError::unapplied:
        holdBankWords(claimed);
        endProcess(claimed.error == BankError::busy        ? kExitBankBusy
                   : claimed.error == BankError::untrusted ? kExitJournalUntrusted
                                                           : kExitToolFailure);
    default: break;
    }
    std::string said = asOneLine(claimed.notes);
    if (!said.empty()) std::fprintf(console.err, "%s\n", said.c_str());
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
    showClaim(claimBank(base + ".bnk", base + ".ind", access, create));
}

BankHeader openToolBank(const std::string& base, bool forUpdate) {
    std::string dataName = base + ".bnk";
    std::string indexName = base + ".ind";
    BankHeader header;
    BankStatus opened = openBank(dataName, indexName, forUpdate ? BankAccess::write : BankAccess::read, header);
    showClaim(opened);
    if (opened.error == BankError::none) return header;
    if (opened.error == BankError::notOpened || opened.error == BankError::notPositioned)
        fail("cannot open %s: %s", opened.file.c_str(), std::strerror(opened.cause));
    opened.notes.clear();  // shown already
    holdBankWords(opened);
    if (opened.error == BankError::badIndex) fail("%s is not a readable bank index", indexName.c_str());
    fail("%s is not %s", dataName.c_str(),
         opened.error == BankError::badHeader ? "a bank data file" : "a whole bank data file");
}

void refuseBankOutput(const std::string& option, const std::string& path, const std::vector<std::string>& bases) {
    struct stat out;
    if (::stat(path.c_str(), &out) != 0) return;  // a file that is not there is no bank's
    for (const std::string& base : bases) {
        for (const std::string& name : {base + ".bnk", base + ".ind", journalName(base + ".bnk")}) {
            struct stat file;
            if (::stat(name.c_str(), &file) == 0 && sameFile(file, out))
                fail("--%s %s is %s, a file of the bank %s, which this command reads", option.c_str(), path.c_str(),
                     name.c_str(), base.c_str());
        }
    }
}
