// The run sequence from start-up to teardown; returns the exit code of a
// normal end (0). Fatal failures unwind as ProcessExit.
#pragma once

int runVorn(int argc, char** argv);
// vorn as the program runs it: the run sequence and, when it ends early, the
// bank changes it made undone (with their lines) and the model record
// released. Returns the exit code.
int runVornProgram(int argc, char** argv);
