// The processing loop: every reflection of the input file is read, corrected,
// listed and written; a value too wide for its output column restarts the
// whole data set with the output scaled down by a further factor of ten.
#include "reflections/processing.hpp"

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "geometry/cell.hpp"
#include "reflections/progress_meter.hpp"
#include "reflections/reflection_supply.hpp"
#include "reflections/statistics.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "transmission/transmission.hpp"

namespace korvex {

namespace {

// Output widths of the amplitude and sigma fields: Tavok F9 and F5 (F and
// sigma(F)), SHELX F7 and F7 (F^2 and sigma(F^2)).
constexpr int kTavokFWidth = 9, kTavokSigWidth = 5, kShelxWidth = 7;
constexpr float kTavokSigOverflow = 9999.0f;
constexpr float kShelxSigOverflow = 999999.0f;

// Every rescaling reads the whole data set again; ten of them bring
// amplitudes of up to 10^18 into the Tavok field, far beyond any measured
// intensity, so a value that still does not fit is a fault in the data.
constexpr int kMaxRescalings = 10;

// The output layouts for every pair of decimals DYNAMIC_FT can choose,
// indexed [d1 * (maxD2 + 1) + d2].
std::vector<ff::EditList> outputLayouts(const std::string& head, const std::string& middle, const std::string& tail,
                                        int maxD1, int maxD2) {
  std::vector<ff::EditList> layouts;
  for (int d1 = 0; d1 <= maxD1; ++d1)
    for (int d2 = 0; d2 <= maxD2; ++d2)
      layouts.emplace_back(head + std::to_string(d1) + middle + std::to_string(d2) + tail);
  return layouts;
}

const std::vector<ff::EditList> kTavokLines =
    outputLayouts("(3I3,1X,F9.", ",1X,F5.", ",F10.5,I5,5X,4F7.2,I5)", kTavokFWidth - 2, kTavokSigWidth - 2);
const std::vector<ff::EditList> kShelxLines =
    outputLayouts("(3I4,1X,F7.", ",1X,F7.", ",I4,6F8.5)", kShelxWidth - 2, kShelxWidth - 2);
const ff::EditList kShelxEnd("('   0   0   0    0.00    0.00')");

const ff::EditList kRescaleNotice("(/,/,/,' *****REWINDING DATASET AND RESCALING ','OUTPUT TO FIT FILE FORMAT',/,/)");
const ff::EditList kNotFinite(
    "('REFLECTION NO.',I5,' HAS NO FINITE AMPLITUDE AND CANNOT BE WRITTEN TO THE OUTPUT FILE')");
const ff::EditList kTooManyRescalings(
    "('OUTPUT STILL DOES NOT FIT FILE FORMAT AFTER ',I2,' RESCALINGS, AT REFLECTION NO.',I5)");

const ff::EditList& layout(const std::vector<ff::EditList>& table, int maxD2, int d1, int d2) {
  return table[static_cast<std::size_t>(d1 * (maxD2 + 1) + d2)];
}

// The output line of the current reflection. Returns false when its
// amplitude field does not fit, so that the data set must be rescaled.
bool writeTavok(Run& run, int iless) {
  ReflectionRecord& r = run.refl;
  const float outscale = run.counters.OUTSCALE;
  r.FOBS = r.FOBS / outscale;
  r.SIGF = r.SIGF / outscale;
  int nd1 = 0, nd2 = 0, ierr = 0;
  dynamicFt(kTavokFWidth, r.FOBS, nd1, ierr);
  if (ierr == 1) return false;
  dynamicFt(kTavokSigWidth, r.SIGF, nd2, ierr);
  if (ierr == 1) {
    nd2 = 0;
    r.SIGF = kTavokSigOverflow;
  }
  run.files.output.write(layout(kTavokLines, kTavokSigWidth - 2, nd1, nd2),
                         {r.IH[0], r.IH[1], r.IH[2], r.FOBS, r.SIGF, r.EXTF, iless, r.ANG[0], r.ANG[1], r.ANG[2],
                          r.ANG[3], r.NSEQ});
  return true;
}

bool writeShelx(Run& run) {
  ReflectionRecord& r = run.refl;
  const float outscale = run.counters.OUTSCALE;
  float sig2 = 2.0f * r.FOBS * r.SIGF / outscale;
  const float f2 = r.FOBS * r.FOBS / outscale;
  if (f2 < 0.00001f && sig2 < 0.00001f) sig2 = 1.0f;
  r.FOBS = f2;
  r.SIGF = sig2;
  int nd1 = 0, nd2 = 0, ierr = 0;
  dynamicFt(kShelxWidth, r.FOBS, nd1, ierr);
  if (ierr == 1) return false;
  dynamicFt(kShelxWidth, r.SIGF, nd2, ierr);
  if (ierr == 1) {
    nd2 = 0;
    r.SIGF = kShelxSigOverflow;
  }
  std::array<float, 6> dc{};
  dcToShelx(run.exp, r, dc);
  run.files.output.write(layout(kShelxLines, kShelxWidth - 2, nd1, nd2),
                         {r.IH[0], r.IH[1], r.IH[2], r.FOBS, r.SIGF, r.NBATCH, dc[0], dc[1], dc[2], dc[3], dc[4],
                          dc[5]});
  return true;
}

enum class PassEnd { EndOfData, Rescale };

void startPass(Run& run) {
  ProcessingCounters& c = run.counters;
  c.NREAD = c.NREJ = c.NTTH = c.NLESS = c.NOUT = c.NPSI = c.NOBSC = 0;
  run.refl.NSEQ = 0;
  resetStatistics(run.stats);
  run.listed.clear();
}

// One pass over the data set from its first record.
PassEnd runPass(Run& run, TransmissionCache& cache) {
  ProcessingCounters& c = run.counters;
  ReflectionRecord& r = run.refl;
  const ExperimentState& e = run.exp;
  startPass(run);
  ReflectionSupply supply(run, cache);
  ProgressMeter progress(run, c.rescalings + 1);
  for (;;) {
    if (!supply.next()) {
      progress.finish();
      return PassEnd::EndOfData;
    }
    c.NREAD += 1;
    if (r.CFLAG[1] == 'R') {
      c.NREJ += 1;
      if (e.DELREJ == 1) continue;
    }
    bool keep = true;
    progress.reflection(r.NSEQ, supply.recordsRead());
    applyTransmission(run, supply.transmission());

    const float tth = std::fabs(r.ANG[0]);
    if (tth < e.TTHMIN || tth > e.TTHMAX) {
      c.NTTH += 1;
      r.STAT[2] = 'T';
      keep = false;
    }
    if (r.STAT[2] == 'D') keep = false;
    if (r.STAT[3] == 'O') keep = false;
    if (r.ISTD != 0) {
      // Standards are never written. One numbered beyond the four that are
      // followed is still a standard: listed and counted, not tabled.
      addStandard(run.stats, r);
      r.STAT[0] = 'S';
      keep = false;
    }
    int iless = 1;
    if (keep) {
      addWrittenReflection(run);
      // The less-than test uses the intensity as read, before any correction.
      if (r.FI <= e.LESSTHAN * r.SIGI) {
        r.STAT[1] = 'L';
        iless = 2;
        c.NLESS += 1;
      }
    }
    listReflection(run);
    run.listed.push_back(listedReflection(r, run.trans, keep));
    if (!keep) continue;
    c.NOUT += 1;
    const bool fits = run.state.IFORMOUT == 1 ? writeShelx(run) : writeTavok(run, iless);
    if (!fits) {
      progress.finish();
      return PassEnd::Rescale;
    }
  }
}

long long powerOfTen(int n) {
  long long p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

}  // namespace

void dynamicFt(int width, float value, int& decimals, int& ierr) {
  ierr = 0;
  if (width < 2 || width > 18) {
    ierr = 1;
    return;
  }
  // The 0.001 keeps a value just below a power of ten, which rounding would
  // carry into one more integer digit, in the wider class.
  float x = value + 0.001f;
  bool negative = false;
  float limit = 0.0f;
  if (x > 0.0f) {
    limit = static_cast<float>(powerOfTen(width - 1)) - 1.0f;
  } else {
    limit = static_cast<float>(powerOfTen(width - 2)) - 1.0f;
    negative = true;
    x = std::fabs(x);
  }
  // Written so that an infinity or a value that is not a number does not fit.
  if (!(x <= limit)) {
    ierr = 1;
    return;
  }
  int n = 1;  // the integer digits, at least one, and the decimal point
  do {
    x = x / 10.0f;
    n += 1;
  } while (!(x <= 1.0f));
  if (negative) n += 1;  // the sign
  decimals = width - n;
  if (decimals < 0) {
    ierr = 1;
    return;
  }
  // The 0.001 cannot always lift a value into the wider class: rounding at
  // the chosen decimals can still carry into one more digit (9999.996 in
  // F7.2 is 10000.00), and at the top of a wide field the limit itself is
  // lost (10^8 - 1 is 10^8 in single precision). A value whose written
  // field would overflow does not fit, so no reflection file ever holds
  // asterisks.
  if (ff::formatReal(static_cast<double>(value), width, decimals).front() == '*') ierr = 1;
}

void processData(Run& run) {
  ProcessingCounters& c = run.counters;
  c.OUTSCALE = 1.0f;
  c.rescalings = 0;
  TransmissionCache cache;
  while (runPass(run, cache) == PassEnd::Rescale) {
    if (!std::isfinite(run.refl.FOBS)) error(kNotFinite.text({run.refl.NSEQ}));
    if (c.rescalings >= kMaxRescalings) error(kTooManyRescalings.text({kMaxRescalings, run.refl.NSEQ}));
    c.rescalings += 1;
    c.OUTSCALE = c.OUTSCALE * 10.0f;
    run.files.print.write(kRescaleNotice, {});
    run.files.input.rewind();
    run.files.output.rewind();
  }
  if (run.state.IFORMOUT == 1) run.files.output.write(kShelxEnd, {});
  run.files.output.flush();
  writeSummary(run);
}

}  // namespace korvex
