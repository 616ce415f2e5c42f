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

namespace {

// Values of `Width` bytes each, decoded from one byte buffer.
template <size_t Width, typename T>
size_t readValues(FILE* stream, T* values, size_t count, T (*decode)(const unsigned char*)) {
    std::vector<unsigned char> bytes(Width * count);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), stream) / Width;
    for (size_t i = 0; i < got; ++i) values[i] = decode(&bytes[Width * i]);
    return got;
}

}  // namespace

size_t readUint16s(FILE* stream, uint16_t* values, size_t count) {
    return readValues<2>(stream, values, count, getUint16);
}

size_t readFloats(FILE* stream, float* values, size_t count) {
    return readValues<4>(stream, values, count, getFloat);
}

bool readInt16(FILE* stream, int16_t& value) {
    uint16_t raw;
    if (readUint16s(stream, &raw, 1) != 1) return false;
    value = static_cast<int16_t>(raw);
    return true;
}

