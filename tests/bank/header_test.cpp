// The data file's header: three little-endian words and the 80-byte title.
#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/journal.h"
#include "support/bank_files.h"
#include "support/harness.h"

namespace {

class Header : public ModelTest {};

TEST_F(Header, WritesWordsAndPaddedTitle) {
    FILE* stream = std::fopen("h.bnk", "w+b");
    trackBankFile(stream, "h.bnk", "h.bnk");
    ASSERT_EQ(writeBankHeader(stream, {1990, 4, 700, "Quarterly"}).error, BankError::none);
    std::fclose(stream);
    std::string title = "Quarterly";
    title.resize(80, '\0');
    EXPECT_EQ(readFile("h.bnk"), le16(1990) + le16(4) + le16(700) + title);
}

TEST_F(Header, FullLengthTitleHasNoTerminator) {
    writeFile("h.bnk", dataFileBytes(-5, 12, 3, {{1, {}}}, std::string(80, 'T')));
    FILE* stream = std::fopen("h.bnk", "rb");
    BankHeader header{};
    ASSERT_EQ(readBankHeader(stream, header).error, BankError::none);
    std::fclose(stream);
    EXPECT_EQ(header.baseYear, -5);
    EXPECT_EQ(header.baseMonth, 12);
    EXPECT_EQ(header.length, 3);
    EXPECT_EQ(header.title, std::string(80, 'T'));
}

TEST_F(Header, LongTitleIsRefused) {
    FILE* stream = std::fopen("h.bnk", "w+b");
    trackBankFile(stream, "h.bnk", "h.bnk");
    BankStatus written = writeBankHeader(stream, {1990, 1, 4, std::string(81, 'x')});
    std::fclose(stream);
    EXPECT_EQ(written.error, BankError::notWhole);
    EXPECT_EQ(written.message, "\nA bank title has at most 80 characters.\n");
    EXPECT_EQ(readFile("h.bnk"), "");
}

TEST_F(Header, ShortFileIsRefused) {
    writeFile("h.bnk", dataFileBytes(1990, 1, 4, {}).substr(0, 85));
    FILE* stream = std::fopen("h.bnk", "rb");
    BankHeader header{};
    BankStatus read = readBankHeader(stream, header);
    std::fclose(stream);
    EXPECT_EQ(read.error, BankError::badHeader);
    EXPECT_EQ(read.message, "\nThe bank's data file is shorter than its 86-byte header.\n");
}

// Nothing reaches a bank file the journal does not track: the write is
// refused and the change takes no further writes.
TEST_F(Header, WriteToAnUntrackedFileIsRefused) {
    writeFile("h.bnk", "old");
    FILE* stream = std::fopen("h.bnk", "r+b");
    BankStatus written = writeBankHeader(stream, {1990, 4, 700, "Quarterly"});
    std::fclose(stream);
    EXPECT_EQ(written.error, BankError::notWritten);
    EXPECT_EQ(written.message,
              "\nA write to a file the bank's journal does not track is refused.\n\nCannot write the bank's header.\n");
    EXPECT_EQ(readFile("h.bnk"), "old");
    EXPECT_TRUE(bankWriteFailed());
}

}  // namespace
