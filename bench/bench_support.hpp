// What the benchmarks share: a dialog layer that shows nothing.
#pragma once

#include "run/silent_dialog.hpp"

namespace korvex::bench {
using korvex::SilentDialog;
}  // namespace korvex::bench
