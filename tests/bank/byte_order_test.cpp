// Little-endian encoding of 16-bit integers and 32-bit floats.
#include <cstdio>

#include "bank/byte_order.h"
#include "bank_fixture.h"
#include "state/model_state.h"

namespace {

std::string streamBytes(FILE* stream) {
    std::rewind(stream);
    std::string bytes;
    int c;
    while ((c = std::fgetc(stream)) != EOF) bytes.push_back(static_cast<char>(c));
    return bytes;
}

TEST(ByteOrder, SixteenBitsLowByteFirst) {
    unsigned char bytes[2];
    putUint16(bytes, 0x1234);
    EXPECT_EQ(bytes[0], 0x34);
    EXPECT_EQ(bytes[1], 0x12);
    EXPECT_EQ(getUint16(bytes), 0x1234);
}

TEST(ByteOrder, MissingMarkerBytes) {
    unsigned char bytes[4];
    putFloat(bytes, kMissingValue);
    EXPECT_EQ(bytes[0], 0xBD);
    EXPECT_EQ(bytes[1], 0x37);
    EXPECT_EQ(bytes[2], 0x86);
    EXPECT_EQ(bytes[3], 0xB5);
    EXPECT_EQ(getFloat(bytes), kMissingValue);
}

TEST(ByteOrder, StreamRoundTrip) {
    FILE* stream = std::tmpfile();
    ASSERT_TRUE(writeInt16(stream, -2));
    float values[3] = {1.5f, -0.25f, 1e30f};
    EXPECT_EQ(writeFloats(stream, values, 3), 3u);
    std::string bytes = streamBytes(stream);
    EXPECT_EQ(bytes, le16(0xFFFE) + le32(1.5f) + le32(-0.25f) + le32(1e30f));

    std::rewind(stream);
    int16_t word = 0;
    ASSERT_TRUE(readInt16(stream, word));
    EXPECT_EQ(word, -2);
    float back[3] = {};
    EXPECT_EQ(readFloats(stream, back, 3), 3u);
    EXPECT_EQ(back[0], 1.5f);
    EXPECT_EQ(back[1], -0.25f);
    EXPECT_EQ(back[2], 1e30f);
    std::fclose(stream);
}

TEST(ByteOrder, ShortReadCountsWholeValuesOnly) {
    FILE* stream = std::tmpfile();
    std::string bytes = le32(2.0f) + le32(3.0f) + "\x01\x02";
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::rewind(stream);
    float values[4] = {9.0f, 9.0f, 9.0f, 9.0f};
    EXPECT_EQ(readFloats(stream, values, 4), 2u);
    EXPECT_EQ(values[1], 3.0f);
    EXPECT_EQ(values[2], 9.0f);
    std::rewind(stream);
    uint16_t words[8] = {};
    EXPECT_EQ(readUint16s(stream, words, 8), 5u);
    std::fclose(stream);
}

TEST(ByteOrder, EmptyStreamReadsNoWord) {
    FILE* stream = std::tmpfile();
    int16_t word = 7;
    EXPECT_FALSE(readInt16(stream, word));
    EXPECT_EQ(word, 7);
    std::fclose(stream);
}

}  // namespace
