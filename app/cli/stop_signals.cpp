#include "stop_signals.hpp"

#include <atomic>
#include <csignal>

namespace korvex::cli {

namespace {

// The one piece of state a signal handler may touch: written by the handler,
// read by the run. Lock-free, so safe to store from a handler.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void requestStop(int signal) { gSignal.store(signal, std::memory_order_relaxed); }

}  // namespace

files::StopRequest stopOnSignals() {
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a read or write waiting on a pipe returns, so that the
  // run sees the request. SA_RESETHAND: a second signal is not caught.
  action.sa_flags = SA_RESETHAND;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return files::StopRequest{&gSignal};
}

int stopExitStatus() {
  const int s = gSignal.load(std::memory_order_relaxed);
  return s == 0 ? 0 : 128 + s;
}

}  // namespace korvex::cli
