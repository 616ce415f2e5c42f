// The top of vorn: the one place where a run that ended early puts the bank
// back as it was.
#include "bank/journal.h"
#include "base/exit.h"
#include "fixer/bank_report.h"
#include "run/run.h"
#include "state/model_state.h"

int runVornProgram(int argc, char** argv) {
    try {
        return runVorn(argc, argv);
    } catch (const ProcessExit& exit) {
        showBankStatus(undoBankChanges());
        releaseModelState();  // a run ended early owns what a full run releases at its end
        return exit.code;
    }
}
