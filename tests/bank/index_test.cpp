// The index file: its layout, reading and writing it, and the refusal of a
// corrupt or truncated index.
#include <cerrno>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "bank/name_index.h"
#include "bank_fixture.h"
#include "state/model_state.h"

namespace {

class Index : public ModelTest {
protected:
    // Reads `bytes` as bws.ind; returns readIndex's error, its message in `said`.
    BankError readBytes(const std::string& bytes) {
        writeFile("bws.ind", bytes);
        openTracked("bws.ind");
        BankStatus read = readIndex(model.bankIndexFile, model.nameCount);
        said = read.message;
        return read.error;
    }
    // Opens the index file `name` of the bank bws.bnk as the workspace's, tracked.
    void openTracked(const char* name) {
        ASSERT_EQ(openBankFile(name, &model.bankIndexFile).error, BankError::none);
        trackBankFile(model.bankIndexFile, name, "bws.bnk");
    }
    std::string said;
};

TEST_F(Index, ReadsTwoNamesAndWritesThemBack) {
    ASSERT_EQ(readBytes(indexFileBytes({"GDP", "M1"}, 'x')), BankError::none);
    EXPECT_EQ(said, "");
    EXPECT_EQ(model.nameCount, 2);
    EXPECT_EQ(model.nameOffsets, (std::vector<uint16_t>{0, 4, 7}));
    EXPECT_EQ(model.namePool, (std::vector<char>{'G', 'D', 'P', '\0', 'M', '1', '\0', 'x'}));
    writeFile("copy.ind", "");
    FILE* copy = std::fopen("copy.ind", "r+b");
    trackBankFile(copy, "copy.ind", "copy.bnk");
    ASSERT_EQ(writeIndex(copy, model.nameOffsets, model.namePool, model.nameCount).error, BankError::none);
    std::fclose(copy);
    EXPECT_EQ(readFile("copy.ind"), le16(2) + le16(0) + le16(4) + le16(7) + std::string("GDP\0M1\0x", 8));
}

TEST_F(Index, ReadsEmptyIndex) {
    ASSERT_EQ(readBytes(le16(0) + le16(0) + std::string(1, '\0')), BankError::none);
    EXPECT_EQ(model.nameCount, 0);
    EXPECT_EQ(model.nameOffsets, (std::vector<uint16_t>{0}));
    EXPECT_EQ(model.namePool.size(), 1u);
}

TEST_F(Index, ShorterIndexLeavesOldBytesBehind) {
    std::string old = indexFileBytes({"GDP", "M1"});
    writeFile("bws.ind", old);
    openTracked("bws.ind");
    std::vector<uint16_t> offsets = {0, 2};
    std::vector<char> pool = {'X', '\0', '\0'};
    ASSERT_EQ(writeIndex(model.bankIndexFile, offsets, pool, 1).error, BankError::none);
    std::string now = readFile("bws.ind");
    ASSERT_EQ(now.size(), old.size());
    EXPECT_EQ(now.substr(0, 9), le16(1) + le16(0) + le16(2) + std::string("X\0\0", 3));
    EXPECT_EQ(now.substr(9), old.substr(9));
}

TEST_F(Index, CorruptOrTruncatedIndexIsRefused) {
    const std::string notRead = "\n index not read \n";
    const std::string twoNames = indexFileBytes({"GDP", "M1"});
    const std::pair<std::string, std::string> cases[] = {
        {"", "\nCannot read index file.\n"},
        {le16(2), notRead},                    // a count without offsets
        {le16(1) + le16(0) + le16(4), notRead},  // no pool
        {le16(0xFFFF) + le16(0) + std::string(1, '\0'), "\nIndex file is corrupt: negative name count -1.\n"},
        {le16(3) + le16(0) + le16(4), "\nIndex file is truncated: 2 of 4 name offsets.\n"},
        {twoNames.substr(0, twoNames.size() - 3), "\nIndex file is truncated: 5 of 8 pool bytes.\n"},
        {le16(3) + le16(0) + le16(4) + le16(2) + le16(7) + std::string("GDP\0M1\0\0", 8),
         "\nIndex file is corrupt: name 2 starts at 2, before name 1 at 4.\n"},
        {le16(2) + le16(0) + le16(9) + le16(7) + std::string("GDP\0M1\0\0", 8),
         "\nIndex file is corrupt: name 1 starts at 9, beyond the 7 pool bytes in use.\n"},
        {le16(2) + le16(0) + le16(3) + le16(7) + std::string("GDPXM1\0\0", 8),
         "\nIndex file is corrupt: name 0 has no terminating zero byte.\n"},
        {le16(2) + le16(0) + le16(0) + le16(4) + std::string("GDP\0\0", 5),  // an empty slot
         "\nIndex file is corrupt: name 0 has no terminating zero byte.\n"},
    };
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE(message);
        resetModelState();
        model.nameCount = 5;
        EXPECT_EQ(readBytes(bytes), BankError::badIndex);
        EXPECT_EQ(said, message);
        EXPECT_EQ(model.nameCount, 5);
        EXPECT_TRUE(model.nameOffsets.empty());
        EXPECT_TRUE(model.namePool.empty());
    }
}

TEST_F(Index, WriteOnReadOnlyStreamFails) {
    writeFile("bws.ind", indexFileBytes({"GDP"}));
    FILE* stream = std::fopen("bws.ind", "rb");
    trackBankFile(stream, "bws.ind", "bws.bnk");
    std::vector<uint16_t> offsets = {0, 4};
    std::vector<char> pool = {'A', 'B', 'C', '\0', '\0'};
    BankStatus written = writeIndex(stream, offsets, pool, 1);
    EXPECT_EQ(written.error, BankError::notWritten);
    EXPECT_EQ(written.message, " \nCannot write index.\n");
    std::fclose(stream);
    EXPECT_EQ(readFile("bws.ind"), indexFileBytes({"GDP"}));
}

TEST_F(Index, InconsistentIndexIsNotWritten) {
    writeFile("bws.ind", "old");
    openTracked("bws.ind");
    std::vector<uint16_t> offsets = {0, 40};
    std::vector<char> pool = {'A', '\0', '\0'};
    BankStatus written = writeIndex(model.bankIndexFile, offsets, pool, 1);
    EXPECT_EQ(written.error, BankError::badIndex);
    EXPECT_EQ(written.message, "\nThe index in memory is inconsistent; it is not written.\n");
    EXPECT_EQ(readFile("bws.ind"), "old");
}

TEST_F(Index, OpeningAMissingFileIsRefused) {
    BankStatus opened = openBankFile("absent.bnk", &model.bankDataFile);
    EXPECT_EQ(opened.error, BankError::notOpened);
    EXPECT_EQ(opened.message, "\nCannot open absent.bnk.\n");
    EXPECT_EQ(opened.file, "absent.bnk");
    EXPECT_EQ(opened.cause, ENOENT);
    EXPECT_EQ(model.bankDataFile, nullptr);
}

TEST_F(Index, FindNameIsExactAndFirstWins) {
    std::string names("GDP\0gdp\0GDP\0", 12);
    std::vector<char> pool(names.begin(), names.end());
    std::vector<uint16_t> offsets{0, 4, 8, 12};
    EXPECT_EQ(findName(offsets, pool, "gdp", 3), 1);
    EXPECT_EQ(findName(offsets, pool, "GDP", 3), 0);
    EXPECT_EQ(findName(offsets, pool, "Gdp", 3), -1);
    EXPECT_EQ(findName(offsets, pool, "gdp", 1), -1);
    EXPECT_EQ(findName(offsets, pool, "GDP", 0), -1);
}

}  // namespace
