// Whole runs on a working directory of the tests' own (tests/e2e/reference):
// a stochastic run with every kind of fix and an optimiser run must write
// exactly the bytes recorded there, console text included, and change no
// other file.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

const std::string kReference = std::string(REFERENCE_DIR) + "/";

struct RecordedRun {
    const char* expected;  // folder of the recorded files, console.txt among them
    std::vector<std::string> args;
    const char* input;
};

const RecordedRun kRecordedRuns[] = {
    {"trials", {"2000.4", "2005.4", "trials.fix", "50", "1", "1", "12345"}, ""},
    {"search", {"2000.4", "2005.4", "search.fix", "m", "search.spec"}, "x"},
};

std::set<std::string> fileNames(const std::string& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

TEST(RecordedRuns, WriteExactlyTheRecordedBytes) {
    for (const RecordedRun& recorded : kRecordedRuns) {
        SCOPED_TRACE(recorded.expected);
        ScratchDir scratch;
        fs::copy(kReference + "input", scratch.path());
        ProgramResult run = runProgram(VORN_BINARY, recorded.args, scratch.path(), recorded.input);
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_EQ(run.err, "");

        const std::string expected = kReference + recorded.expected + "/";
        EXPECT_EQ(run.out, readFile(expected + "console.txt"));
        std::set<std::string> written = fileNames(expected);
        written.erase("console.txt");
        std::set<std::string> present = fileNames(kReference + "input");
        present.insert(written.begin(), written.end());
        EXPECT_EQ(fileNames(scratch.path()), present);
        for (const std::string& name : present) {
            const std::string& from = written.count(name) ? expected : kReference + "input/";
            EXPECT_TRUE(readFile(scratch.file(name)) == readFile(from + name)) << name << " differs from " << from;
        }
    }
}

}  // namespace
