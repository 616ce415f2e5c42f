// The coefficient files' readers speak to an operator of vorn, over several
// lines and of heart.dat; vornfit's failures are one line that names the file
// it read.
#include <cstdio>

#include "base/console.h"
#include "base/exit.h"
#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

void readWithOneLine(const std::function<void()>& read, const std::string& path, const char* what) {
    FILE* const errors = console.err;
    FILE* const held = std::tmpfile();
    if (held) console.err = held;
    try {
        read();
    } catch (const ProcessExit&) {
        console.err = errors;
        std::string said;
        if (held) {
            std::rewind(held);
            for (int c; (c = std::fgetc(held)) != EOF;) {
                if (c == '\n' || c == ' ') {
                    if (!said.empty() && said.back() != ' ') said += ' ';
                } else {
                    said += static_cast<char>(c);
                }
            }
            std::fclose(held);
        }
        while (!said.empty() && said.back() == ' ') said.pop_back();
        for (size_t at = said.find("heart.dat"); at != std::string::npos; at = said.find("heart.dat", at + path.size()))
            said.replace(at, 9, path);
        if (what) fail("%s %s (%s)", path.c_str(), what, said.c_str());
        fail("%s", said.c_str());
    }
    console.err = errors;
    if (held) std::fclose(held);
}

