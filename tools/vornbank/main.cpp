// vornbank: makes a bank for vorn, fills it from CSV and reads it back.
#include <string>
#include <vector>

#include "vornbank.h"

int main(int argc, char** argv) { return runVornbank(std::vector<std::string>(argv + 1, argv + argc)); }
