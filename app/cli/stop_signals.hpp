// Interrupt, termination and hang-up signals ask the run to stop: it halts at
// the next reflection, or at once when it waits on a pipe, and leaves the
// files as a fatal error does (earlier outputs untouched, no temporary file,
// the print file saying why). The program then exits with 128 + the signal
// (130 for an interrupt, 143 for a termination). A second signal ends the
// program at once. A reader that closes its pipe early makes the write fail
// as any failed write does, rather than end the program unannounced.
#pragma once

#include "files/stop_request.hpp"

namespace korvex::cli {

// Installs the handlers and returns the request the run looks at.
files::StopRequest stopOnSignals();

// 128 + the signal received, or 0 when none was.
int stopExitStatus();

}  // namespace korvex::cli
