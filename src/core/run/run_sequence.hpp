// The run sequence: button states, Build Model, Run, Reset and the end of
// the run. runBuild and runProg are the only places where a fatal error is
// caught: there it is written to the print file, shown, and the run closed.
#pragma once

namespace korvex {

struct Run;

// The stages the build and run sequences call, in the order they call them.
// The defaults are the program's own stages; tests replace some of them to
// follow the order of calls or to raise a fatal error at a chosen point.
struct RunStages {
  using Stage = void (*)(Run&);
  using FormatStage = void (*)(Run&, int slot);
  Stage writeHeader;
  Stage readCrystalData;
  Stage buildModel;
  FormatStage getFormat;
  Stage processData;
  Stage writeCifKorvex;

  RunStages();  // the program's own stages
};

void checkRun(Run& run);                                     // CHECK_RUN
void runBuild(Run& run, const RunStages& stages = RunStages());  // RUN_BUILD (Build Model)
void runProg(Run& run, const RunStages& stages = RunStages());   // RUN_PROG (Run)
void closeProgram(Run& run);                                 // CLOSE_PROGRAM
// Check: reads the experiment file (slot 1 alone) and builds its model as
// Build Model does, with no print file: nothing is written, and the model
// and the lines not read as cards stay in run.exp to be described. A fatal
// error is reported as in a build (HALTED, the fatal box).
void runCheck(Run& run, const RunStages& stages = RunStages());
// Leaving the program (Exit, the end of the command line): a run that has
// not ended is closed as CLOSE_PROGRAM does; a file that cannot be finished
// is reported as a fatal error.
void leaveProgram(Run& run);
void resetFiles(Run& run);                                   // RESET_FILES

}  // namespace korvex
