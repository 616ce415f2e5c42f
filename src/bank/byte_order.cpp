// Explicit little-endian encoding: values go through byte buffers, so the
// files are the same on every host.
#include "bank/byte_order.h"

#include <cstring>
#include <vector>

void putUint16(unsigned char* at, uint16_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>(value >> 8);
}

uint16_t getUint16(const unsigned char* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

void putFloat(unsigned char* at, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int b = 0; b < 4; ++b) at[b] = static_cast<unsigned char>((bits >> (8 * b)) & 0xFF);
}

float getFloat(const unsigned char* at) {
    uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) bits |= static_cast<uint32_t>(at[b]) << (8 * b);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

size_t readUint16s(FILE* stream, uint16_t* values, size_t count) {
    std::vector<unsigned char> bytes(2 * count);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), stream) / 2;
    for (size_t i = 0; i < got; ++i) values[i] = getUint16(&bytes[2 * i]);
    return got;
}

size_t writeUint16s(FILE* stream, const uint16_t* values, size_t count) {
    std::vector<unsigned char> bytes(2 * count);
    for (size_t i = 0; i < count; ++i) putUint16(&bytes[2 * i], values[i]);
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) / 2;
}

size_t readFloats(FILE* stream, float* values, size_t count) {
    std::vector<unsigned char> bytes(4 * count);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), stream) / 4;
    for (size_t i = 0; i < got; ++i) values[i] = getFloat(&bytes[4 * i]);
    return got;
}

size_t writeFloats(FILE* stream, const float* values, size_t count) {
    std::vector<unsigned char> bytes(4 * count);
    for (size_t i = 0; i < count; ++i) putFloat(&bytes[4 * i], values[i]);
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) / 4;
}

bool readInt16(FILE* stream, int16_t& value) {
    uint16_t raw;
    if (readUint16s(stream, &raw, 1) != 1) return false;
    value = static_cast<int16_t>(raw);
    return true;
}

bool writeInt16(FILE* stream, int16_t value) {
    uint16_t raw = static_cast<uint16_t>(value);
    return writeUint16s(stream, &raw, 1) == 1;
}
