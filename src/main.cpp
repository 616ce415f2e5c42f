// vorn: solves the model over a range of periods, steered by a fix file.
#include "runctl/console.h"
#include "runctl/exit.h"
#include "runctl/run.h"

int main(int argc, char** argv) {
    int code;
    try {
        code = runVorn(argc, argv);
    } catch (const ProcessExit& exit) {
        code = exit.code;
    }
    flushConsole();
    return code;
}
