// Fatal ends of the run, unwound to the caller of the run sequence.
#include "base/exit.h"

#include "bank/journal.h"
#include "base/console.h"

void endProcess(int code) {
    undoBankChanges();
    flushConsole();
    throw ProcessExit{code};
}
