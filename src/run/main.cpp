// vorn: solves the model over a range of periods, steered by a fix file.
#include "base/console.h"
#include "run/run.h"

int main(int argc, char** argv) {
    int code = runVornProgram(argc, argv);
    endOutputLine();
    flushConsole();
    return code;
}
