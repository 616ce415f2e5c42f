// Whether two names, links or open descriptors lead to one file: the same
// device and inode, however the paths spell it.
#pragma once

#include <sys/stat.h>

inline bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }
