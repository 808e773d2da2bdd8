// The run sequence: button states, Build Model, Run, Reset and the end of
// the run.
#pragma once

namespace korvex {

struct Run;

void checkRun(Run& run);      // CHECK_RUN
void runBuild(Run& run);      // RUN_BUILD (Build Model)
void runProg(Run& run);       // RUN_PROG (Run)
void closeProgram(Run& run);  // CLOSE_PROGRAM
void resetFiles(Run& run);    // RESET_FILES

}  // namespace korvex
