// Fatal ends of the run, unwound to the caller of the run sequence.
#include "runctl/exit.h"

#include "bank/journal.h"
#include "runctl/console.h"

void endProcess(int code) {
    undoBankChanges();
    flushConsole();
    throw ProcessExit{code};
}
