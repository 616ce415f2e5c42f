// Files the tools write other than bank files go through base's whole-file
// writer; a step that fails ends the command with its line.
#include "common/tool_kit.h"

void requireWritten(const FileStatus& status) {
    if (!status.ok()) fail("%s", status.message.c_str());
}
