// Files other than bank files, written whole: the bytes go into a temporary
// file made fresh beside the target, which is synced and then renamed over it,
// and the folder is synced, so that the target holds the old bytes or the new
// ones and never a part, and no name that may already exist (a link planted
// there) is ever opened for writing. A target that exists and is not a regular
// file (a device, a FIFO) is written in place, as a shell redirection would.
// Nothing here prints or ends the process: each step returns what went wrong.
#pragma once

#include <cstdio>
#include <string>

// The outcome of one step: empty when it went well.
struct [[nodiscard]] FileStatus {
    int error = 0;        // the errno of the failure
    std::string message;  // "cannot write PATH: why", one line
    bool ok() const { return message.empty(); }
};

// One file being written whole. The stream is open between openStagedFile and
// closeStagedFile; a temporary not committed is removed with the record.
struct StagedFile {
    std::string path;
    std::string temporary;  // empty once renamed, or when written in place
    FILE* stream = nullptr;

    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
};

// Makes the fresh temporary beside `path` (keeping the permissions of the file
// it will replace, or those of any new file), or opens a device or FIFO in
// place; a FIFO that no process reads is refused rather than waited for.
FileStatus openStagedFile(const std::string& path, StagedFile& file);
// Writes what is buffered, syncs the temporary to disk and closes it.
FileStatus closeStagedFile(StagedFile& file);
// Renames the closed temporary over its target and syncs the folder.
FileStatus commitStagedFile(StagedFile& file);

// `bytes` opened, written and closed as a staged file, to be committed later.
FileStatus stageWholeFile(const std::string& path, const std::string& bytes, StagedFile& file);
// `bytes` as the whole of `path`: staged and committed.
FileStatus writeWholeFile(const std::string& path, const std::string& bytes);

// Syncs the entries of `folder` (a file made, renamed or removed in it); false
// with errno set. A file system that cannot sync folders counts as synced.
bool syncFolder(const std::string& folder);
