// The progress of a processing pass, shown at most ten times a second so
// that showing it never slows the work: the status line's text ("PROCESSING
// REFLECTION n") and the dialog layer's progress (count, lines read, time).
#pragma once

#include <chrono>

namespace korvex {

struct Run;

class ProgressMeter {
 public:
  ProgressMeter(Run& run, int pass);

  // A reflection of number nseq is being corrected, with recordsRead
  // records read so far: the first of the pass is always shown, then one at
  // most every tenth of a second.
  void reflection(int nseq, int recordsRead);
  // The pass has ended: its last reflection and count are shown.
  void finish();

 private:
  using Clock = std::chrono::steady_clock;
  void show(int nseq, bool finished);

  Run& run_;
  int pass_;
  int count_ = 0;
  int lastSeq_ = 0;
  int recordsRead_ = 0;
  bool shownLast_ = false;
  Clock::time_point start_;
  Clock::time_point shown_;
};

}  // namespace korvex
