// Placeholder: replaced by the run-sequence implementation.
#include "run/run_sequence.hpp"
#include "run/run.hpp"
namespace korvex {
void checkRun(Run&) {}
void runBuild(Run&) {}
void runProg(Run&) {}
void closeProgram(Run&) {}
void resetFiles(Run&) {}
}  // namespace korvex
