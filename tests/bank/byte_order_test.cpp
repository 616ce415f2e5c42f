// Little-endian encoding of 16-bit integers and 32-bit floats.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bank/byte_order.h"
#include "state/model_state.h"
#include "support/bank_files.h"

namespace {

FILE* streamWith(const std::string& bytes) {
    FILE* stream = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::rewind(stream);
    return stream;
}

TEST(ByteOrder, LowByteFirst) {
    unsigned char bytes[4];
    putUint16(bytes, 0x1234);
    EXPECT_EQ(std::string(bytes, bytes + 2), "\x34\x12");
    EXPECT_EQ(getUint16(bytes), 0x1234);
    putFloat(bytes, kMissingValue);
    EXPECT_EQ(std::string(bytes, bytes + 4), "\xBD\x37\x86\xB5");
    EXPECT_EQ(getFloat(bytes), kMissingValue);
}

TEST(ByteOrder, StreamReadsLittleEndian) {
    const std::vector<float> values = {1.5f, -0.25f, 1e30f};
    FILE* stream = streamWith(le16(0xFFFE) + le32(1.5f) + le32(-0.25f) + le32(1e30f));
    int16_t word = 0;
    ASSERT_TRUE(readInt16(stream, word));
    EXPECT_EQ(word, -2);
    std::vector<float> back(3);
    EXPECT_EQ(readFloats(stream, back.data(), 3), 3u);
    EXPECT_EQ(back, values);
    std::fclose(stream);
}

TEST(ByteOrder, ShortReadCountsWholeValuesOnly) {
    FILE* stream = streamWith(le32(2.0f) + le32(3.0f) + "\x01\x02");
    float values[4] = {9.0f, 9.0f, 9.0f, 9.0f};
    EXPECT_EQ(readFloats(stream, values, 4), 2u);
    EXPECT_EQ(values[1], 3.0f);
    EXPECT_EQ(values[2], 9.0f);
    std::rewind(stream);
    uint16_t words[8] = {};
    EXPECT_EQ(readUint16s(stream, words, 8), 5u);
    std::fclose(stream);

    stream = streamWith("");
    int16_t word = 7;
    EXPECT_FALSE(readInt16(stream, word));  // an empty stream holds no word
    EXPECT_EQ(word, 7);
    std::fclose(stream);
}

}  // namespace
