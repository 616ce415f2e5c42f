// The README as a user follows it: every ```sh block, in order, in one shell,
// from the top directory of a fresh copy of the repository after `make run`.
// A block fenced ```sh not-run is shown only (setting up, tests, benchmarks);
// output and other text go in ```text blocks; an indented code block is
// refused, so that no command of the README escapes this test.
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "base/exit.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

const std::string kSourceDir = std::string(EXAMPLE_DIR) + "/..";

struct Script {
    std::string text;
    std::string problems;  // code blocks the test cannot classify
};

// The ```sh blocks as one shell script; each block sets readme_line to the
// README line it starts at, which a failing script names.
Script readmeScript() {
    std::istringstream readme(readFile(kSourceDir + "/README.md"));
    Script script{"set -e\ntop=$PWD\nreadme_line=0\n"
                  "trap 's=$?; [ $s -eq 0 ] || echo \"README block at line $readme_line failed ($s)\" >&2' EXIT\n",
                  ""};
    bool inFence = false, running = false, blankBefore = true;
    int number = 0;
    for (std::string line; std::getline(readme, line);) {
        ++number;
        // A fence: three or more backticks, then no backtick (else it is inline code).
        if (line.rfind("```", 0) == 0 && line.find('`', line.find_first_not_of('`')) == std::string::npos) {
            running = !inFence && line == "```sh";
            if (running) script.text += "readme_line=" + std::to_string(number) + "\n";
            inFence = !inFence;
        } else if (running) {
            script.text += line + "\n";
        } else if (!inFence && blankBefore && (line.rfind("    ", 0) == 0 || line.rfind("\t", 0) == 0)) {
            script.problems += "README line " + std::to_string(number) +
                               ": an indented code block; fence it as ```sh, ```sh not-run or ```text\n";
        }
        blankBefore = !inFence && line.find_first_not_of(" \t") == std::string::npos;
    }
    script.text += "[ \"$PWD\" = \"$top\" ] || { echo \"the README's blocks end in $PWD\" >&2; exit 1; }\n";
    return script;
}

// The steps of the Makefile's run target after its build: the scratch forecast
// and its chart, with build/ for $(BUILD).
std::string makeRunSteps() {
    std::istringstream makefile(readFile(kSourceDir + "/Makefile"));
    std::string steps = "set -e\n";
    bool inRecipe = false;
    for (std::string line; std::getline(makefile, line);) {
        if (!line.empty() && line[0] != '\t') {
            inRecipe = line.rfind("run:", 0) == 0;
            continue;
        }
        if (!inRecipe || line.empty() || line.find("cmake") != std::string::npos) continue;
        line = std::regex_replace(line, std::regex("^\t+@?"), "");
        steps += std::regex_replace(line, std::regex("\\$\\(BUILD\\)"), "build") + "\n";
    }
    return steps;
}

// A fresh copy of the repository (without its build folders) whose build/
// holds the built programs and the example, then `make run`'s steps.
void freshCopy(const std::string& root) {
    fs::create_directories(root + "/build");
    for (const fs::directory_entry& entry : fs::directory_iterator(kSourceDir)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("build", 0) == 0 || name[0] == '.') continue;
        fs::copy(entry.path(), root + "/" + name, fs::copy_options::recursive);
    }
    for (const char* program : {"vorn", "vornbank", "vornfit"})
        fs::create_symlink(std::string(BUILD_DIR) + "/" + program, root + "/build/" + program);
    fs::copy(EXAMPLE_WORKDIR, root + "/build/example", fs::copy_options::recursive);
    writeFile(root + "/../make-run.sh", makeRunSteps());
    ProgramResult run = runProgram("/bin/sh", {"../make-run.sh"}, root);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
}

// Every regular file under root by its path there (the programs are links).
std::map<std::string, std::string> filesUnder(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && !entry.is_symlink())
            files[fs::relative(entry.path(), root).string()] = readFile(entry.path().string());
    return files;
}

TEST(Readme, EveryShellBlockRunsInOrderAndGivesTheSameFilesTwice) {
    if (!fs::exists(std::string(BUILD_DIR) + "/vornfit")) GTEST_SKIP() << "vornfit is not built";
    Script script = readmeScript();
    ASSERT_EQ(script.problems, "");
    ScratchDir scratch;
    std::map<std::string, std::string> files[2];
    ProgramResult passes[2];
    for (int pass = 0; pass < 2; ++pass) {
        const std::string root = scratch.file("pass" + std::to_string(pass) + "/repo");
        freshCopy(root);
        ASSERT_FALSE(HasFatalFailure());
        writeFile(root + "/../readme.sh", script.text);
        passes[pass] = runProgram("/bin/sh", {"../readme.sh"}, root);
        const std::string& out = passes[pass].out;
        ASSERT_EQ(passes[pass].exitCode, 0) << out.substr(out.size() > 2000 ? out.size() - 2000 : 0)
                                            << passes[pass].err;
        files[pass] = filesUnder(root);
    }
    EXPECT_EQ(passes[1].out, passes[0].out);
    EXPECT_EQ(passes[1].err, passes[0].err);
    ASSERT_EQ(files[1].size(), files[0].size());
    for (const auto& [path, bytes] : files[0]) {
        EXPECT_TRUE(files[1].count(path) && files[1][path] == bytes) << path << " differs between the passes";
        EXPECT_FALSE(path.ends_with("-journal")) << path;  // every change committed or undone
    }

    // "Your own data": twelve solved quarters dated as ISO days, twelve positive standard deviations.
    EXPECT_TRUE(std::regex_match(files[0]["mywork/forecast.csv"],
                                 std::regex("date,gdp_real,consum,invest\n(200[1-3]-\\d\\d-01(,[0-9.]+){3}\n){12}")));
    EXPECT_TRUE(std::regex_match(files[0]["mywork/uncertainty.csv"],
                                 std::regex("date,gdp_real,consum\n(200[1-3]\\.[1-4](,[0-9]*[1-9][0-9.]*){2}\n){12}")));
}

// Where the README's table of exit codes (the rows after the line that begins
// "Exit codes") and the codes named in the program differ, in one line; "" when
// they list the same numbers.
std::string exitTableMismatch(const std::string& readme, const std::set<int>& named) {
    std::istringstream lines(readme);
    std::string line;
    while (std::getline(lines, line) && line.rfind("Exit codes", 0) != 0) {}
    if (!lines) return "the README has no table of exit codes";
    std::set<int> listed;
    const std::regex row("\\| ([^|]*[^ |]) \\|.*"), code("(\\d+)(?:(, | to )(\\d+))?");
    while (std::getline(lines, line) && (line.empty() || line[0] == '|')) {
        std::smatch cells, codes;
        if (!std::regex_match(line, cells, row) || cells[1] == "Code") continue;
        const std::string cell = cells[1];
        if (!std::regex_match(cell, codes, code))
            return "the README's table of exit codes has a row for '" + cell +
                   "', which is not a code, a pair or a range";
        const int first = std::stoi(codes[1]), last = codes[3].matched ? std::stoi(codes[3]) : first;
        listed.insert({first, last});
        if (codes[2] == " to ")
            for (int n = first; n < last; ++n) listed.insert(n);
    }
    auto apart = [](const std::set<int>& these, const std::set<int>& those) {
        std::string numbers;
        for (int n : these)
            if (!those.count(n)) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
        return numbers;
    };
    std::string mismatch;
    if (std::string extra = apart(listed, named); !extra.empty())
        mismatch = "the README's table of exit codes lists " + extra + ", which ExitCode does not name";
    if (std::string missing = apart(named, listed); !missing.empty())
        mismatch += std::string(mismatch.empty() ? "" : "; ") + "ExitCode names " + missing +
                    ", which the README's table does not list";
    return mismatch;
}

TEST(Readme, TheTableOfExitCodesListsExactlyTheNamedCodes) {
    const std::string table =
        "Exit codes:\n\n| Code | Cause |\n|---|---|\n| 0 | a |\n| 2, 5 | b |\n| 9 to 11 | c |\n\nmore\n";
    const std::set<int> inTable{0, 2, 5, 9, 10, 11};
    for (const auto& [readme, named, said] : std::vector<std::tuple<std::string, std::set<int>, std::string>>{
             {table, inTable, ""},
             {table + "| 12 | d |\n", inTable, ""},  // rows after the table's end are not read
             {table, {0, 2, 3, 5, 9, 10}, "the README's table of exit codes lists 11, which ExitCode does not name; "
                                          "ExitCode names 3, which the README's table does not list"},
             {table, {0, 2, 5, 9, 10, 11, 12}, "ExitCode names 12, which the README's table does not list"},
             {"| 0 | a |\n", inTable, "the README has no table of exit codes"},
             {"Exit codes:\n| 0 or 1 | a |\n", inTable,
              "the README's table of exit codes has a row for '0 or 1', which is not a code, a pair or a range"}})
        EXPECT_EQ(exitTableMismatch(readme, named), said) << readme;

    std::set<int> named;
    for (ExitCode code : kExitCodes) named.insert(code);
    EXPECT_EQ(exitTableMismatch(readFile(kSourceDir + "/README.md"), named), "");
    // kExitCodes holds every name the enum defines.
    const std::string header = readFile(kSourceDir + "/src/base/exit.h");
    const std::regex definition("\\n    kExit\\w+ = \\d+,");
    const std::ptrdiff_t defined =
        std::distance(std::sregex_iterator(header.begin(), header.end(), definition), std::sregex_iterator());
    EXPECT_EQ(defined, std::ssize(kExitCodes));
}

TEST(Readme, TheShippedOwnDataIsWhatItsScriptMakes) {
    ScratchDir scratch;
    ProgramResult made = runProgram("/bin/sh", {kSourceDir + "/example/make-mydata.sh", scratch.file("mydata.csv")},
                                    scratch.path());
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(readFile(scratch.file("mydata.csv")), readFile(kSourceDir + "/example/mydata.csv"));
}

}  // namespace
