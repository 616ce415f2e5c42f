// The run sequence from start-up to teardown; returns the exit code of a
// normal end (0). Fatal failures unwind as ProcessExit.
#pragma once

int runVorn(int argc, char** argv);
