#include "run/messages.hpp"

#include "fixedformat/edit_list.hpp"
#include "run/controls.hpp"
#include "run/run.hpp"
#include "run/run_sequence.hpp"

namespace korvex {

namespace {
const ff::EditList kFatalRecord("(/,/,'*****FATAL ERROR:',/,5X,A100,/,/,'*****PROGRAM WILL HALT',/)");
const ff::EditList kWarningRecord("(/,/,'*****WARNING:',/,5X,A100,/,/,'*****PROGRAM WILL CONTINUE',/)");
const ff::EditList kProgress("('PROCESSING REFLECTION ',I5)");
}  // namespace

FatalError::FatalError(std::string_view message)
    : std::runtime_error(std::string(ff::trimRight(message))), message_(ff::padded(message, kMessageLength)) {}

std::size_t firstBlankRun(std::string_view text, std::size_t n) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    run = text[i] == ' ' ? run + 1 : 0;
    if (run == n) return i + 1 - n;
  }
  return std::string_view::npos;
}

void error(std::string_view message) { throw FatalError(message); }

std::string boxText(std::string_view message, std::size_t blanks) {
  const std::size_t at = firstBlankRun(message, blanks);
  if (at == std::string_view::npos) return {};
  return std::string(message.substr(0, at + 1));
}

void reportFatal(Run& run, const FatalError& fatal) {
  if (run.state.FILESET[1] == 1) {
    try {
      run.files.print.write(kFatalRecord, {fatal.message().substr(0, 100)});
      run.files.print.flush();
    } catch (const std::exception&) {
      // The print file itself failed (it may be why the run halts): the
      // message still reaches the box.
    }
  }
  run.state.HALTED = 1;
  errorBox(run, fatal.message());
}

void errorBox(Run& run, std::string_view message) {
  run.ui.fatalBox(boxText(ff::padded(message, kMessageLength), 14));
  run.ui.setText(ctl::kStatus, "KORVEX HALTED");
  closeProgram(run);
}

void warning(Run& run, std::string_view message) {
  const std::string msg = ff::padded(message, kMessageLength);
  const std::size_t run4 = firstBlankRun(msg, 4);
  // L counts from 1 and so ends with the first blank of the run.
  std::size_t length = run4 == std::string::npos ? 0 : run4 + 1;
  if (run.state.FILESET[1] == 1) {
    length = std::min<std::size_t>(length, 100);
    run.files.print.write(kWarningRecord, {msg.substr(0, length)});
    run.files.print.flush();
  }
  run.ui.warningBox(msg.substr(0, length));
}

void processIndicator(Run& run, int n) {
  files::stopIfRequested(run.stop);
  wline(run, ff::padded(kProgress.text({n}), 80));
}

void wline(Run& run, std::string_view text) {
  const std::string t = ff::padded(text, 80);
  const std::size_t at = firstBlankRun(t, 5);
  const std::size_t length = at == std::string::npos ? 0 : at;
  run.ui.setText(ctl::kStatus, t.substr(0, length));
  run.ui.redraw();
}

}  // namespace korvex
