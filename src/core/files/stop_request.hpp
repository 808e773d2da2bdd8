// A request to stop the run before it finishes (an interrupt or a
// termination signal). The front end that receives the signal sets it; the
// file reads and writes of the run and its progress look at it, so that the
// run stops at the next reflection, or at once when it waits on a pipe, and
// leaves the files as a fatal error does.
#pragma once

#include <atomic>
#include <stdexcept>
#include <string>

namespace korvex::files {

struct StopRequest {
  // The number of the signal received, 0 while none; nothing when no one
  // can ask the run to stop.
  const std::atomic<int>* signal = nullptr;
  int pending() const noexcept { return signal == nullptr ? 0 : signal->load(std::memory_order_relaxed); }
};

// Raised where a pending stop request is found.
class Stopped : public std::runtime_error {
 public:
  explicit Stopped(int signal) : std::runtime_error("stopped by signal " + std::to_string(signal)), signal_(signal) {}
  int signal() const noexcept { return signal_; }

 private:
  int signal_;
};

inline void stopIfRequested(const StopRequest& stop) {
  if (const int signal = stop.pending()) throw Stopped(signal);
}

}  // namespace korvex::files
