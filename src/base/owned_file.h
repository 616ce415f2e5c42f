// A file read from start to end and closed however the reading ends, a fatal
// exit unwinding through it included.
#pragma once

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using OwnedFile = std::unique_ptr<FILE, FileCloser>;
