// vorn: solves the model over a range of periods, steered by a fix file.
#include "base/console.h"
#include "base/exit.h"
#include "run/run.h"
#include "state/model_state.h"

int main(int argc, char** argv) {
    int code;
    try {
        code = runVorn(argc, argv);
    } catch (const ProcessExit& exit) {
        code = exit.code;
        releaseModelState();  // a run ended early owns what a full run releases at its end
    }
    endOutputLine();
    flushConsole();
    return code;
}
