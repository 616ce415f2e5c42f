// A text file read from start to end and closed however the reading ends.
#pragma once

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using OwnedFile = std::unique_ptr<FILE, FileCloser>;
