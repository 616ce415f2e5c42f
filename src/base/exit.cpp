// Fatal ends of the run, unwound to the top of the program.
#include "base/exit.h"

#include "base/console.h"

void endProcess(int code) {
    flushConsole();
    throw ProcessExit{code};
}
