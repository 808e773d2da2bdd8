// Reading reflections, the processing loop and the output reflection file.
#pragma once

#include <string>

#include "run/messages.hpp"

namespace korvex {

struct Run;

// READ_REFLECTION: the next record of the input file; ieof = 1 at its end.
void readReflection(Run& run, int& ieof);

// A record the input file cannot give: the fatal error, whose line in the
// print file (before the error's own record) belongs where the record is
// reached in the processing.
class UnreadableReflection : public FatalError {
 public:
  explicit UnreadableReflection(const std::string& text);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// READ_REFLECTION for a reader running ahead of the processing: an
// unreadable record raises UnreadableReflection without its print-file line,
// which noteUnreadable writes when the processing reaches the record.
void readReflectionAhead(Run& run, int& ieof);
void noteUnreadable(Run& run, const UnreadableReflection& unreadable);
// PROCESS_DATA: the whole data set, with rescaling, and the run summary.
void processData(Run& run);
// DYNAMIC_FT: the most decimals with which value fits a field of the width.
void dynamicFt(int width, float value, int& decimals, int& ierr);

}  // namespace korvex
