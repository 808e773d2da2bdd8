// The reflection being processed, its transmission factors, and the
// counters and statistics of a processing pass.
#pragma once

#include <array>
#include <string>

#include "experiment/experiment_state.hpp"

namespace korvex {

// One reflection record (one at a time, overwritten by every read).
struct ReflectionRecord {
  std::array<int, 2> ISIDE{};  // anvil (1 incident-beam, 2 diffracted-beam) each beam passes
  std::array<int, 3> IH{};     // h, k, l
  int NSEQ = 0;                // sequence number
  int NBATCH = 0;
  int ISTD = 0;                // 0 ordinary, 1..4 standard number
  std::array<float, 4> ANG{};  // 2theta, omega, chi, phi (degrees)
  float FI = 0.0f;             // intensity after the input scale
  float SIGI = 0.0f;
  float FOBS = 0.0f;
  float SIGF = 0.0f;
  float EXTF = 0.0f;
  std::array<float, 2> PSI{};     // beam angles to the load axis, radians (degrees after listing)
  std::array<char, 6> CFLAG{' ', ' ', ' ', ' ', ' ', ' '};
  std::array<char, 4> STAT{' ', ' ', ' ', ' '};
  Vec3 DCI{};  // reversed incident beam, unit vector, phi-axis frame
  Vec3 DCD{};  // diffracted beam, unit vector, phi-axis frame
};

// Transmission factors of one reflection.
struct TransmissionState {
  float TXTAL = 0.0f;  // crystal
  float SUMTP = 0.0f;  // minus the volume mean of path x transmission
  float TDAC = 0.0f;   // anvils
  float TGAS = 0.0f;   // gasket
  float TMED = 0.0f;   // pressure medium
  float TRANS = 0.0f;  // overall
};

// Counters of one processing pass.
struct ProcessingCounters {
  float OUTSCALE = 1.0f;
  int NREAD = 0, NREJ = 0, NTTH = 0, NLESS = 0, NOUT = 0, NPSI = 0, NOBSC = 0;
  int rescalings = 0;  // restarts of the data set in this run
};

// Statistics of one pass: standards, tables, transmission ranges, listing.
struct RunStatistics {
  std::array<int, kMaxStandards> NSTD{};
  std::array<float, kMaxStandards> STDMIN{}, STDMAX{}, STDSUM{}, STDSSQ{}, STDSIG{};
  int NSTDOTHER = 0;  // measurements of standards numbered outside 1..4 (counted, not tabled)
  std::array<std::array<int, 10>, 12> TTHTAB{};  // [row][column]
  std::array<std::array<int, 7>, 12> PSITAB1{}, PSITAB2{};
  float XTLMIN = 1.0f, XTLMAX = 0.0f;
  float DACMIN = 1.0e6f, DACMAX = 0.0f;
  float GASMIN = 1.0f, GASMAX = 0.0f;
  float MEDMIN = 1.0f, MEDMAX = 0.0f;
  float TOTMIN = 1.0f, TOTMAX = 0.0f;
  int LINES = 60;
};

}  // namespace korvex
