#include "reflections/progress_meter.hpp"

#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

constexpr auto kInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressMeter::ProgressMeter(Run& run, int pass) : run_(run), pass_(pass), start_(Clock::now()) {}

void ProgressMeter::reflection(int nseq, int recordsRead) {
  ++count_;
  recordsRead_ = recordsRead;
  lastSeq_ = nseq;
  shownLast_ = false;
  if (count_ > 1 && Clock::now() - shown_ < kInterval) return;
  show(nseq, false);
}

void ProgressMeter::finish() {
  if (count_ > 0 && !shownLast_) processIndicator(run_, lastSeq_);
  show(lastSeq_, true);
}

void ProgressMeter::show(int nseq, bool finished) {
  shown_ = Clock::now();
  shownLast_ = true;
  if (!finished) processIndicator(run_, nseq);
  ProcessingProgress p;
  p.pass = pass_;
  p.reflections = count_;
  p.recordsRead = recordsRead_;
  p.linesRead = run_.files.input.lineNumber();
  p.seconds = std::chrono::duration<double>(shown_ - start_).count();
  p.finished = finished;
  run_.ui.progress(p);
}

}  // namespace korvex
