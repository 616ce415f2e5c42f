// Reads a bank's files as bytes, for checking what a run wrote.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/harness.h"

struct BankImage {
    std::string data;
    std::string index;
    int16_t length = 0;
    std::vector<std::string> names;

    static int16_t int16At(const std::string& bytes, size_t at) {
        return static_cast<int16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
    }

    explicit BankImage(const std::string& stem) : data(readFile(stem + ".bnk")), index(readFile(stem + ".ind")) {
        length = int16At(data, 4);
        int16_t count = int16At(index, 0);
        size_t pool = 2 + 2 * (static_cast<size_t>(count) + 1);
        for (int16_t k = 0; k < count; ++k)
            names.emplace_back(index.c_str() + pool + static_cast<uint16_t>(int16At(index, 2 + 2 * k)));
    }

    int position(const std::string& name) const {
        for (size_t k = 0; k < names.size(); ++k)
            if (names[k] == name) return static_cast<int>(k);
        return -1;
    }

    static size_t valueAt(int k, int period, int length) {
        return 87 + static_cast<size_t>(k) + 4 * (static_cast<size_t>(k) * length + period);
    }

    float value(const std::string& name, int period) const {
        float v;
        std::memcpy(&v, data.data() + valueAt(position(name), period, length), sizeof v);
        return v;
    }

    std::string title() const { return data.substr(6, 80); }
};
