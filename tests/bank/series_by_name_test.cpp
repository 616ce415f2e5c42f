// Reading and writing one series by name: the record, the frequency byte, the
// growth of the index, and taking an appended name back when a write fails.
#include <unistd.h>

#include "bank/bank_file.h"
#include "bank/journal.h"
#include "bank/name_index.h"
#include "bank/series_by_name.h"
#include "bank_fixture.h"
#include "base/dates.h"
#include "state/model_state.h"

namespace {

class SeriesByName : public BankTest {
protected:
    void SetUp() override {
        BankTest::SetUp();
        openBank(8, {"GDP", "M1"},
                 {{4, {1, 2, 3, 4, 5, 6, 7, 8}}, {12, {-1, -2, -3, -4, -5, -6, -7, -8}}});
    }
    ValueTable rising(float from) {
        ValueTable table = makeValueTable();
        for (size_t p = 0; p < table.size(); ++p) table[p] = from + static_cast<float>(p);
        return table;
    }
};

TEST_F(SeriesByName, ValueTableSizes) {
    EXPECT_EQ(makeValueTable().size(), 600u);
    model.bankLength = 700;
    ValueTable table = makeValueTable();
    EXPECT_EQ(table.size(), 700u);
    EXPECT_EQ(table[699], 0.0f);
}

TEST_F(SeriesByName, ReadsValuesAndFrequency) {
    ValueTable table = makeValueTable();
    ASSERT_EQ(read("M1", table), 0);
    EXPECT_EQ(model.frequency, 12);
    EXPECT_EQ(table[0], -1.0f);
    EXPECT_EQ(table[7], -8.0f);
    EXPECT_EQ(table[8], 0.0f);
}

TEST_F(SeriesByName, NameDifferingInCaseIsNotFound) {
    ValueTable table = rising(50);
    model.frequency = 2;
    EXPECT_EQ(read("gdp", table), -1);
    EXPECT_EQ(said, "\nCannot find gdp\n");
    EXPECT_EQ(table[0], 50.0f);
    EXPECT_EQ(model.frequency, 2);
}

TEST_F(SeriesByName, ShortRecordCannotBeRead) {
    std::string bytes = dataBytes();
    writeFile("bws.bnk", bytes.substr(0, bytes.size() - 1));
    std::fclose(model.bankDataFile);
    openBankFile("bws.bnk", &model.bankDataFile);
    trackBankFile(model.bankDataFile, "bws.bnk", "bws.bnk");
    ValueTable table = makeValueTable();
    EXPECT_EQ(read("M1", table), -1);
    EXPECT_EQ(said, " \n cannot read M1 from 1 ");
}

TEST_F(SeriesByName, RewritesAnExistingRecordOnly) {
    std::string before = dataBytes();
    model.frequency = 0x104;  // the record keeps the low byte
    ASSERT_EQ(write("GDP", rising(10)), 0);
    std::string after = dataBytes();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, recordOffset(0)), before.substr(0, recordOffset(0)));
    EXPECT_EQ(after[recordOffset(0)], 4);
    for (int p = 0; p < 8; ++p) EXPECT_EQ(floatAt(after, valueOffset(0, p)), 10.0f + p);
    EXPECT_EQ(after.substr(recordOffset(1)), before.substr(recordOffset(1)));
    EXPECT_EQ(indexBytes(), indexFileBytes({"GDP", "M1"}, 'Z'));
}

TEST_F(SeriesByName, NewNameIsAppendedAndFindable) {
    model.frequency = 1;
    ASSERT_EQ(write("GDP:f", rising(3)), 2);
    EXPECT_EQ(model.nameCount, 3);
    EXPECT_EQ(model.nameOffsets, (std::vector<uint16_t>{0, 4, 7, 13}));
    EXPECT_EQ(indexBytes(), le16(3) + le16(0) + le16(4) + le16(7) + le16(13) +
                                std::string("GDP\0M1\0GDP:f\0\0", 14));
    std::string data = dataBytes();
    EXPECT_EQ(data.size(), static_cast<size_t>(recordOffset(3)));
    EXPECT_EQ(data[recordOffset(2)], 1);
    ValueTable table = makeValueTable();
    ASSERT_EQ(read("GDP:f", table), 0);
    EXPECT_EQ(table[7], 10.0f);

    ASSERT_EQ(write("GDP:f", rising(20)), 2);
    EXPECT_EQ(model.nameCount, 3);
    EXPECT_EQ(dataBytes().size(), static_cast<size_t>(recordOffset(3)));
}

TEST_F(SeriesByName, FailedRecordWriteTakesAnAppendedNameBack) {
    std::vector<uint16_t> offsets = model.nameOffsets;
    std::vector<char> pool = model.namePool;
    std::string data = dataBytes();
    makeDataReadOnly();
    model.frequency = 4;
    EXPECT_EQ(write("NEW", rising(0)), -1);
    EXPECT_EQ(said, "\n Cannot write NEW on 2.000000");
    EXPECT_EQ(model.nameCount, 2);
    EXPECT_EQ(model.nameOffsets, offsets);
    EXPECT_EQ(model.namePool, pool);
    EXPECT_EQ(dataBytes(), data);
    EXPECT_EQ(indexBytes(), indexFileBytes({"GDP", "M1"}, 'Z'));
    EXPECT_EQ(write("M1", rising(0)), -1);  // an existing series keeps its name
    EXPECT_EQ(said, "\n Cannot write NEW on 2.000000\n Cannot write M1 on 1.000000");
    EXPECT_EQ(model.nameCount, 2);
}

TEST_F(SeriesByName, FailedIndexWriteTakesTheNameBack) {
    std::vector<char> pool = model.namePool;
    makeIndexReadOnly();
    EXPECT_EQ(write("NEW", rising(0)), -1);
    EXPECT_EQ(said, " \nCannot write index.\n");
    EXPECT_EQ(model.nameCount, 2);
    EXPECT_EQ(model.namePool, pool);
    EXPECT_EQ(findName(model.nameOffsets, model.namePool, "NEW", model.nameCount), -1);
}

TEST_F(SeriesByName, FailedPositioningTakesTheNameBack) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    FILE* unseekable = fdopen(ends[1], "wb");
    std::fclose(model.bankDataFile);
    model.bankDataFile = unseekable;
    trackBankFile(unseekable, "bws.bnk", "bws.bnk");
    EXPECT_EQ(write("NEW", rising(0)), -1);
    EXPECT_EQ(said, "\nCannot position to write.");
    EXPECT_EQ(model.nameCount, 2);
    ValueTable table = rising(9);
    EXPECT_EQ(read("GDP", table), -1);
    EXPECT_EQ(said, "\nCannot position to write. \n cannot fseek ");
    EXPECT_EQ(table[0], 9.0f);
    close(ends[0]);
}

TEST_F(SeriesByName, ShortTableIsRefused) {
    ValueTable table(5, 1.0f);
    EXPECT_EQ(write("GDP", table), -1);
    EXPECT_EQ(read("GDP", table), -1);
    std::string refusal = "\nA value table of 5 periods cannot hold a bank series of 8 periods.\n";
    EXPECT_EQ(said, refusal + refusal);
    EXPECT_EQ(table[0], 1.0f);
}

TEST_F(SeriesByName, LongBankUsesTheWholeRecord) {
    std::fclose(model.bankDataFile);
    std::fclose(model.bankIndexFile);
    model.bankDataFile = model.bankIndexFile = nullptr;
    openBank(700, {"A", "B"}, {{4, {}}, {4, {}}});
    ValueTable table = rising(0);
    ASSERT_EQ(table.size(), 700u);
    model.frequency = 4;
    ASSERT_EQ(write("A", table), 0);
    std::string data = dataBytes();
    EXPECT_EQ(floatAt(data, valueOffset(0, 699)), 699.0f);
    EXPECT_EQ(floatAt(data, valueOffset(1, 0)), 0.0f);
    ValueTable back = makeValueTable();
    ASSERT_EQ(read("A", back), 0);
    EXPECT_EQ(back, table);
}

TEST_F(SeriesByName, IndexGrowsWithoutFixedRoom) {
    model.frequency = 4;
    for (int n = 0; n < 1200; ++n) {
        std::string name = "S" + std::to_string(n) + "_padding_to_make_it_longer";
        ASSERT_EQ(write(name.c_str(), rising(0)), 2 + n);
    }
    EXPECT_EQ(model.nameCount, 1202);
    std::fclose(model.bankIndexFile);
    openBankFile("bws.ind", &model.bankIndexFile);
    int16_t count = 0;
    ASSERT_EQ(readIndex(model.bankIndexFile, count).error, BankError::none);
    EXPECT_EQ(count, 1202);
    EXPECT_EQ(findName(model.nameOffsets, model.namePool, "S1199_padding_to_make_it_longer", count), 1201);
}

TEST_F(SeriesByName, NameBeyondSixteenBitOffsetsIsRefused) {
    // Fill the pool to 65530 bytes in use: GDP\0 M1\0 and one long name.
    std::string filler(65530 - 7 - 1, 'x');
    AppendedName undo{};
    int32_t position = -1;
    ASSERT_EQ(appendName(filler.c_str(), undo, position).error, BankError::none);
    ASSERT_EQ(position, 2);
    ASSERT_EQ(model.nameOffsets[3], 65530);
    EXPECT_TRUE(indexHasRoom(1, 4));
    EXPECT_FALSE(indexHasRoom(1, 5));
    std::vector<uint16_t> offsets = model.nameOffsets;
    EXPECT_EQ(write("ABCDE", rising(0)), -1);
    EXPECT_EQ(said,
              "\nCannot add ABCDE: the bank index has no room for another name of 5 characters.\n");
    EXPECT_EQ(model.nameCount, 3);
    EXPECT_EQ(model.nameOffsets, offsets);
    EXPECT_EQ(write("ABCD", rising(0)), 3);
    EXPECT_EQ(model.nameOffsets[4], 65535);
}

TEST_F(SeriesByName, TakeBackRestoresTheSpareByte) {
    AppendedName undo{};
    int32_t position = -1;
    ASSERT_EQ(appendName("X", undo, position).error, BankError::none);
    ASSERT_EQ(position, 2);
    EXPECT_EQ(model.namePool.size(), 10u);
    takeBackName(undo);
    EXPECT_EQ(model.namePool, (std::vector<char>{'G', 'D', 'P', '\0', 'M', '1', '\0', 'Z'}));
    EXPECT_EQ(model.nameOffsets, (std::vector<uint16_t>{0, 4, 7}));
}

}  // namespace
