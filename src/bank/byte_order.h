// Little-endian reading and writing of the bank files' 16-bit integers and
// 32-bit floats, whatever the byte order of the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

void putUint16(unsigned char* at, uint16_t value);
uint16_t getUint16(const unsigned char* at);
void putFloat(unsigned char* at, float value);
float getFloat(const unsigned char* at);

// Each returns the number of whole values read at the stream's position. Bank
// files are written through the journal, from buffers filled with put*.
size_t readUint16s(FILE* stream, uint16_t* values, size_t count);
size_t readFloats(FILE* stream, float* values, size_t count);

// One signed 16-bit value; false when it cannot be read.
bool readInt16(FILE* stream, int16_t& value);
