// Implementation of the shared test support.
#include "support/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bank/journal.h"
#include "base/console.h"
#include "fixer/bank_report.h"
#include "state/model_state.h"

namespace {

std::string readStream(FILE* stream) {
    std::fflush(stream);
    long end = std::ftell(stream);
    std::string text(static_cast<size_t>(end < 0 ? 0 : end), '\0');
    std::rewind(stream);
    size_t got = std::fread(text.data(), 1, text.size(), stream);
    text.resize(got);
    std::fseek(stream, 0, SEEK_END);
    return text;
}

}  // namespace

ConsoleCapture::ConsoleCapture(const std::string& input)
    : in_(std::tmpfile()), out_(std::tmpfile()), err_(std::tmpfile()),
      savedIn_(console.in), savedOut_(console.out), savedErr_(console.err) {
    std::fwrite(input.data(), 1, input.size(), in_);
    std::rewind(in_);
    console = {in_, out_, err_};
}

ConsoleCapture::~ConsoleCapture() {
    console = {savedIn_, savedOut_, savedErr_};
    std::fclose(in_);
    std::fclose(out_);
    std::fclose(err_);
}

std::string ConsoleCapture::output() { return readStream(out_); }
std::string ConsoleCapture::errors() { return readStream(err_); }

std::string ConsoleCapture::remainingInput() {
    std::string rest;
    int c;
    long at = std::ftell(in_);
    while ((c = std::getc(in_)) != EOF) rest.push_back(static_cast<char>(c));
    std::fseek(in_, at, SEEK_SET);
    return rest;
}

ScratchDir::ScratchDir() {
    char cwd[PATH_MAX];
    savedCwd_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    std::string pattern = std::filesystem::temp_directory_path().string() + "/vorn-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::current_path(savedCwd_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void undoShownBankChanges() { showBankStatus(undoBankChanges()); }

void ModelTest::SetUp() {
    forgetBankChanges();
    resetModelState();
}
void ModelTest::TearDown() {
    forgetBankChanges();
    resetModelState();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

void copyExampleWorkdir(const std::string& destination) {
    std::filesystem::copy(EXAMPLE_WORKDIR, destination,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workdir, const std::string& input, long fileSizeLimit) {
    std::string base = workdir + "/.run-" + std::to_string(getpid());
    writeFile(base + ".in", input);
    pid_t child = fork();
    if (child == 0) {
        if (chdir(workdir.c_str()) != 0) _exit(127);
        int in = open((base + ".in").c_str(), O_RDONLY);
        int out = open((base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open((base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (fileSizeLimit >= 0) {
            signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit then fails with EFBIG
            struct rlimit limit {static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProgramResult result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                         readFile(base + ".out"), readFile(base + ".err")};
    for (const char* ending : {".in", ".out", ".err"}) std::remove((base + ending).c_str());
    return result;
}
