// vornbank create: a new bank with its header and an empty index.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/journal.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kCreateHelp =
    "usage: vornbank create BANK --base-year Y --base-month M --length N [--title TEXT] [--force]\n"
    "\n"
    "Makes BANK.bnk (the header: base year, base month, length and title, and no series yet)\n"
    "and BANK.ind (an index without names). Bank period 0 begins in month M (1 to 12) of\n"
    "year Y; every series holds N periods (1 to 32767). The title has at most 80 characters.\n"
    "Existing files are kept unless --force is given.\n";

int16_t numberOption(const VerbArgs& args, const char* name, long low, long high) {
    auto found = args.options.find(name);
    if (found == args.options.end()) usageFail("create", "--%s is needed", name);
    const std::string& text = found->second;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        fail("--%s %s is not a whole number from %ld to %ld", name, text.c_str(), low, high);
    return static_cast<int16_t>(value);
}

// Why it cannot be made (the file itself or its journal) follows in parentheses.
FILE* createFile(const std::string& name, const std::string& dataName) {
    FILE* stream = nullptr;
    if (bankFailed(openEmptiedBankFile(name, dataName, stream))) fail("cannot create %s", name.c_str());
    return stream;
}

}  // namespace

int runCreate(const std::vector<std::string>& args) {
    VerbArgs parsed =
        parseVerbArgs("create", args, {"base-year", "base-month", "length", "title"}, {"force"}, kCreateHelp);
    if (parsed.words.size() != 1) usageFail("create", "create takes one BANK");
    std::string base = bankBase(parsed.words[0]);
    BankHeader header;
    header.baseYear = numberOption(parsed, "base-year", 1, 9999);
    header.baseMonth = numberOption(parsed, "base-month", 1, 12);
    header.length = numberOption(parsed, "length", 1, 32767);
    header.title = parsed.options.count("title") ? parsed.options["title"] : "";
    if (header.title.size() > static_cast<size_t>(kBankTitleSize))
        fail("the title has %zu characters; a bank title has at most %d", header.title.size(),
             kBankTitleSize);

    std::string dataName = base + ".bnk";
    std::string indexName = base + ".ind";
    if (!parsed.options.count("force")) {
        for (const std::string& name : {dataName, indexName})
            if (std::filesystem::exists(name))
                fail("%s exists already; give --force to replace the bank", name.c_str());
    }
    claimToolBank(base, BankAccess::write, true);
    model.bankDataFile = createFile(dataName, dataName);
    model.bankIndexFile = createFile(indexName, dataName);
    if (bankFailed(writeBankHeader(model.bankDataFile, header)) ||
        bankFailed(writeIndex(model.bankIndexFile, {0}, {'\0'}, 0)))
        fail("cannot write the bank %s", base.c_str());
    std::fprintf(toolOut, "created %s: %d periods from month %d of %d\n", base.c_str(), header.length,
                 header.baseMonth, header.baseYear);
    return kExitNormal;
}
