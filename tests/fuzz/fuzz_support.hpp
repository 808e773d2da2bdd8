// What every fuzzing harness needs: a dialog layer that shows nothing and
// answers nothing, a run whose print file stays in memory, and the rule that
// tells an expected refusal of bad input from a fault of the program.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "files/file_error.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "run/silent_dialog.hpp"

namespace korvex::fuzz {

using korvex::SilentDialog;

struct FuzzRun {
  FuzzRun() : run(dialog) {
    run.files.print.attach(&print);
    run.state.FILESET[1] = 1;
    run.clock = [] { return std::string("Tue Dec  8 00:00:00 2026"); };
  }
  std::ostringstream print;
  SilentDialog dialog;
  Run run;
};

inline std::string text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Runs one stage on bad input. A fatal error or a failed file is the
// program's answer to it; anything else thrown is a fault and escapes, for
// the fuzzer to report.
template <typename Stage>
void refusingBadInput(Stage&& stage) {
  try {
    stage();
  } catch (const FatalError&) {
  } catch (const files::FileError&) {
  }
}

// The build and run sequences catch every exception themselves and report
// a fault as an internal error: that is a finding too.
inline void failOnInternalError(const SilentDialog& dialog) {
  if (dialog.fatal.rfind("INTERNAL ERROR", 0) == 0) std::abort();
}

}  // namespace korvex::fuzz
