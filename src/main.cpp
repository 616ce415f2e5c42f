// vorn: solves the model over a range of periods; see README.md.
#include "runctl/arithmetic.h"
#include "runctl/console.h"
#include "runctl/exit.h"

int main(int, char**) {
    try {
        maskFloatingPointExceptions();
    } catch (const ProcessExit& exit) {
        flushConsole();
        return exit.code;
    }
    flushConsole();
    return 0;
}
