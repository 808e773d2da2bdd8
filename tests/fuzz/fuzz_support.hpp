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
#include "run/dialog_layer.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex::fuzz {

class SilentDialog : public DialogLayer {
 public:
  void setText(int, std::string_view) override {}
  void setEnabled(int, bool) override {}
  void redraw() override {}
  void fatalBox(std::string_view message) override { fatal = std::string(message); }
  void warningBox(std::string_view) override {}
  void note(std::string_view) override {}
  std::optional<int> formatBox(int, std::string_view, std::string_view) override { return std::nullopt; }
  std::optional<std::filesystem::path> fileDialog(const FileDialogSettings&, std::string&) override {
    return std::nullopt;
  }
  void viewFile(const std::filesystem::path&) override {}

  std::string fatal;  // the text of the last fatal box
};

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
