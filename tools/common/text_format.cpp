// printf-style text of any length: measured first, then written into the
// string, so nothing is cut.
#include <cstdarg>

#include "common/tool_kit.h"

void appendv(std::string& out, const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(length) + 1);  // room for the terminator vsnprintf writes
    std::vsnprintf(out.data() + start, static_cast<size_t>(length) + 1, format, args);
    out.pop_back();
}

void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    appendv(out, format, args);
    va_end(args);
}

std::string formatted(const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    appendv(text, format, args);
    va_end(args);
    return text;
}
