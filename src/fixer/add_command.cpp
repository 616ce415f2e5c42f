// The add command: opens a command file, takes the rest of its line as the
// file's arguments and runs a nested command loop on it.
#include "fixer/add_command.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include "fixer/command_loop.h"
#include "fixer/reader.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

constexpr size_t kMaxArguments = 10;

// A command file by its device and inode, whatever name it was added under.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(FILE* file) {
    struct stat status {};
    fstat(fileno(file), &status);
    return {status.st_dev, status.st_ino};
}

// Command files being read at the moment, the fix file first. The language has
// no conditions, so a file that adds itself, directly or through others, could
// only repeat until the nesting limit: such an add is refused.
std::vector<FileIdentity> openFiles;

// The reader's per-input state for the time of one nested file: arguments,
// console flag and nesting depth are put back, and the file closed, however
// the nested loop ends.
struct NestedFile {
    FILE* file;
    const std::vector<std::string>* savedArguments = model.addArguments;
    bool savedConsoleInput = model.consoleInput;
    const char* savedFile = model.commandFile;
    int32_t savedLine = model.commandLine;
    bool savedFixFile = model.readingFixFile;

    NestedFile(FILE* opened, const char* name, const std::vector<std::string>& arguments, bool fixFile)
        : file(opened) {
        openFiles.push_back(identityOf(opened));
        model.addArguments = arguments.empty() ? nullptr : &arguments;
        model.consoleInput = false;
        model.commandFile = name;
        model.commandLine = 0;
        model.readingFixFile = fixFile;
    }
    ~NestedFile() {
        std::fclose(file);
        openFiles.pop_back();
        model.addArguments = savedArguments;
        model.consoleInput = savedConsoleInput;
        model.commandFile = savedFile;
        model.commandLine = savedLine;
        model.readingFixFile = savedFixFile;
        // The outer input goes on with a line of its own.
        model.currentChar = '\n';
        model.pushbackChar = 0;
    }
    NestedFile(const NestedFile&) = delete;
    NestedFile& operator=(const NestedFile&) = delete;
};

// The tokens after the file name up to the line end, at most ten; after the
// tenth one more token is dropped.
std::vector<std::string> readArguments(FILE* input) {
    std::vector<std::string> arguments;
    char text[kTokenSize];
    for (;;) {
        char kind = nextToken(text, input);
        if (kind == kTokenLineEnd || kind == kTokenEnd) break;
        if (arguments.size() == kMaxArguments) break;
        arguments.emplace_back(text);
    }
    return arguments;
}

}  // namespace

FILE* openCommandFile(const char* name) {
    FILE* file = std::fopen(name, "rb");
    struct stat status {};
    if (file && (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode))) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

int addCommand(FILE* input) {
    // The first add at the console is the fix file's, from the command line;
    // the files it adds belong to it too.
    const bool fixFile = openFiles.empty() ? !model.fixFileStarted : model.readingFixFile;
    if (openFiles.empty()) model.fixFileStarted = true;
    char name[kTokenSize];
    if (nextToken(name, input) != kTokenName) {
        printOut("\n no name in ad card ");
        return -1;
    }
    if (openFiles.size() >= static_cast<size_t>(kMaxAddDepth)) {
        printOut("\n add files nested more than %d deep; %s not run \n", kMaxAddDepth, name);
        return -1;
    }
    FILE* file = openCommandFile(name);
    if (!file) {
        printOut("\n cannot open %s ", name);
        return -1;
    }
    for (const FileIdentity& open : openFiles) {
        if (open == identityOf(file)) {
            std::fclose(file);
            printOut("\n %s is already being read; not run again \n", name);
            return -1;
        }
    }
    std::vector<std::string> arguments = readArguments(input);
    NestedFile nested(file, name, arguments, fixFile);
    return fixerLoop(file);
}
