// The data file's header: three little-endian words and the 80-byte title.
#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "support/bank_files.h"
#include "support/harness.h"

namespace {

class Header : public ModelTest {};

TEST_F(Header, WritesWordsAndPaddedTitle) {
    FILE* stream = std::fopen("h.bnk", "w+b");
    ASSERT_EQ(writeBankHeader(stream, {1990, 4, 700, "Quarterly"}), 0);
    std::fclose(stream);
    std::string title = "Quarterly";
    title.resize(80, '\0');
    EXPECT_EQ(readFile("h.bnk"), le16(1990) + le16(4) + le16(700) + title);
}

TEST_F(Header, FullLengthTitleHasNoTerminator) {
    writeFile("h.bnk", dataFileBytes(-5, 12, 3, {{1, {}}}, std::string(80, 'T')));
    FILE* stream = std::fopen("h.bnk", "rb");
    BankHeader header{};
    ASSERT_EQ(readBankHeader(stream, header), 0);
    std::fclose(stream);
    EXPECT_EQ(header.baseYear, -5);
    EXPECT_EQ(header.baseMonth, 12);
    EXPECT_EQ(header.length, 3);
    EXPECT_EQ(header.title, std::string(80, 'T'));
}

TEST_F(Header, LongTitleIsRefused) {
    FILE* stream = std::fopen("h.bnk", "w+b");
    ConsoleCapture capture;
    EXPECT_EQ(writeBankHeader(stream, {1990, 1, 4, std::string(81, 'x')}), -1);
    std::fclose(stream);
    EXPECT_EQ(capture.output(), "\nA bank title has at most 80 characters.\n");
    EXPECT_EQ(readFile("h.bnk"), "");
}

TEST_F(Header, ShortFileIsRefused) {
    writeFile("h.bnk", dataFileBytes(1990, 1, 4, {}).substr(0, 85));
    FILE* stream = std::fopen("h.bnk", "rb");
    BankHeader header{};
    ConsoleCapture capture;
    EXPECT_EQ(readBankHeader(stream, header), -1);
    std::fclose(stream);
    EXPECT_EQ(capture.output(), "\nThe bank's data file is shorter than its 86-byte header.\n");
}

}  // namespace
