// The one way failures and progress reach the user: fatal errors, warnings
// and the status line.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace korvex {

struct Run;

inline constexpr std::size_t kMessageLength = 256;

// A fatal error on its way to the catch site of the build or run sequence.
// The message is held blank-padded to 256 characters.
class FatalError : public std::runtime_error {
 public:
  explicit FatalError(std::string_view message);
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// ERROR: raises a fatal error. Unwinding replaces "every caller returns when
// HALTED is set"; the build and run sequences catch it in one place each and
// call reportFatal.
[[noreturn]] void error(std::string_view message);

// What ERROR does once the error reaches its catch site: the print-file
// record (when the print file is open), HALTED, and ERRORBOX.
void reportFatal(Run& run, const FatalError& fatal);

// ERRORBOX: the fatal-error box, "KORVEX HALTED", and the end of the run.
void errorBox(Run& run, std::string_view message);

// WARNING: print-file record (when open) and the warning box; the run goes on.
void warning(Run& run, std::string_view message);

// PROCESS_INDICATOR and WLINE: the status line during long work.
void processIndicator(Run& run, int n);
void wline(Run& run, std::string_view text);

// Position of the first blank of the first run of n blanks in the text, or
// npos when it has none.
std::size_t firstBlankRun(std::string_view text, std::size_t n);

// The text shown by a box: the message up to the first run of `blanks`
// blanks, keeping the first blank of that run (nothing when there is none).
std::string boxText(std::string_view message, std::size_t blanks);

}  // namespace korvex
