// Reading one reflection from the input reflection file: the Drevik
// fixed-column format of the integration program (diffractometer angles,
// with continuation lines) and the SHELX format with direction cosines.
// Both end with the two beam directions in the phi-axis frame of Busing &
// Levy (1967): DCI, the reversed incident beam, and DCD, the diffracted beam.
#include <cmath>
#include <initializer_list>
#include <string>

#include "geometry/angles.hpp"
#include "fixedformat/input.hpp"
#include "reflections/processing.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

const ff::EditList kDrevikRecord("(3I3,4F8.3,F12.3,F8.3,F7.0,2X,6A1,I3)");
const ff::EditList kShelxRecord("(3I4,F8.0,F8.0,I4,6F8.5)");
const ff::EditList kReadErrorText("('ERROR READING REFLECTION FILE AFTER REFLECTION NO.',I5)");
const ff::EditList kReadErrorRecord("(1X,A)");
const ff::EditList kMissingCosines("('DIRN COSINES MISSING ON ',I5,'TH REFLECTION, HKL = ',3I5)");


// A Drevik record must reach through its sequence field (column 68); a
// shorter one has been cut off and its last fields would read as zeros.
constexpr std::size_t kDrevikMinLength = 68;
// A SHELX record that stops inside the direction-cosine columns (33-80) has
// lost some of them; one that stops before them has none at all.
constexpr std::size_t kShelxCosinesStart = 32;
constexpr std::size_t kShelxLength = 80;

// Sequence fields beyond this cannot be split into a reflection number and a
// standard number in integers.
constexpr float kMaxSequenceField = 1.0e9f;

// The fatal error of an unreadable reflection file; refl.NSEQ is the number
// of the last reflection read in full. Its print-file line is written where
// the record is reached (noteUnreadable).
[[noreturn]] void readError(Run& run) { throw UnreadableReflection(kReadErrorText.text({run.refl.NSEQ})); }

// A number whose exponent overflows single precision reads as infinite: as
// unusable as letters in the field.
bool finite(std::initializer_list<float> values) {
  for (float v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

bool zeroIndices(const ReflectionRecord& r) {
  return std::abs(r.IH[0]) + std::abs(r.IH[1]) + std::abs(r.IH[2]) == 0;
}

// Drevik sequence field = reflection number x 10 + standard number.
void splitSequence(float xseq, int& nseq, int& istd) {
  nseq = static_cast<int>(0.1f * xseq + 0.01f);
  istd = static_cast<int>(xseq - static_cast<float>(10 * nseq) + 0.1f);
}

// Beam directions from the four-circle angles (degrees) in bisecting-style
// geometry: w1 = theta + omega for the reversed incident beam, w2 = theta -
// omega for the diffracted beam, then the chi and phi rotations.
void beamsFromAngles(ReflectionRecord& r) {
  const float w1 = (r.ANG[0] / 2.0f + r.ANG[1]) * kRadiansPerDegree;
  const float w2 = (r.ANG[0] / 2.0f - r.ANG[1]) * kRadiansPerDegree;
  const float chi = r.ANG[2] * kRadiansPerDegree;
  const float phi = r.ANG[3] * kRadiansPerDegree;
  const float sw1 = std::sin(w1), cw1 = std::cos(w1);
  const float sw2 = std::sin(w2), cw2 = std::cos(w2);
  const float sc = std::sin(chi), cc = std::cos(chi);
  const float sp = std::sin(phi), cp = std::cos(phi);
  r.DCI = {cw1 * sp + sw1 * cc * cp, sw1 * cc * sp - cw1 * cp, sw1 * sc};
  r.DCD = {sw2 * cc * cp - cw2 * sp, cw2 * cp + sw2 * cc * sp, sw2 * sc};
}

// Returns false at the end of the file.
bool readDrevik(Run& run) {
  ReflectionRecord& r = run.refl;
  for (;;) {
    std::string line;
    if (!run.files.input.readLine(line)) return false;
    float xseq = 0.0f;
    int nskip = 0;
    std::string flag[6];
    const ff::ReadStatus status =
        ff::readFixed(kDrevikRecord, line,
                      {&r.IH[0], &r.IH[1], &r.IH[2], &r.ANG[0], &r.ANG[1], &r.ANG[2], &r.ANG[3], &r.FI, &r.SIGI,
                       &xseq, &flag[0], &flag[1], &flag[2], &flag[3], &flag[4], &flag[5], &nskip});
    if (status != ff::ReadStatus::Ok) readError(run);
    const bool skipped = zeroIndices(r);
    if (!skipped && (line.size() < kDrevikMinLength || !(std::fabs(xseq) < kMaxSequenceField) ||
                     !finite({r.ANG[0], r.ANG[1], r.ANG[2], r.ANG[3], r.FI, r.SIGI})))
      readError(run);
    for (int i = 0; i < 6; ++i) r.CFLAG[static_cast<std::size_t>(i)] = flag[i].empty() ? ' ' : flag[i][0];

    int nseq = 0, istd = 0;
    if (!skipped) splitSequence(xseq, nseq, istd);
    for (int n = 0; n < nskip; ++n) {
      std::string continuation;
      if (!run.files.input.readLine(continuation)) {
        // The file ends inside this record's continuation lines: it has been
        // cut off. The record itself was read in full, so the message names it.
        if (!skipped) r.NSEQ = nseq;
        readError(run);
      }
    }
    if (skipped) continue;

    r.NSEQ = nseq;
    // A Drevik record carries no batch; refinement programs read the batch
    // column as a scale-factor number, so every reflection is batch 1.
    r.NBATCH = 1;
    r.ISTD = istd;
    for (std::size_t i = 0; i < 4; ++i) r.ANG[i] = static_cast<float>(run.exp.PARITY[i]) * r.ANG[i];
    beamsFromAngles(r);
    return true;
  }
}

float length(const Vec3& v) { return std::sqrt((v[0] * v[0] + v[1] * v[1]) + v[2] * v[2]); }

Vec3 times(const Mat3& m, const Vec3& v) {
  Vec3 out{};
  for (std::size_t i = 0; i < 3; ++i) out[i] = (m[i][0] * v[0] + m[i][1] * v[1]) + m[i][2] * v[2];
  return out;
}

// Returns false at the end of the file.
bool readShelx(Run& run) {
  ReflectionRecord& r = run.refl;
  const ExperimentState& e = run.exp;
  for (;;) {
    std::string line;
    if (!run.files.input.readLine(line)) return false;
    std::array<float, 6> dcs{};
    const ff::ReadStatus status = ff::readFixed(
        kShelxRecord, line,
        {&r.IH[0], &r.IH[1], &r.IH[2], &r.FI, &r.SIGI, &r.NBATCH, &dcs[0], &dcs[1], &dcs[2], &dcs[3], &dcs[4], &dcs[5]});
    if (status != ff::ReadStatus::Ok) readError(run);
    const bool skipped = zeroIndices(r);
    if (!skipped && ((line.size() > kShelxCosinesStart && line.size() < kShelxLength) ||
                     !finite({r.FI, r.SIGI, dcs[0], dcs[1], dcs[2], dcs[3], dcs[4], dcs[5]})))
      readError(run);
    r.ISTD = 0;
    r.NSEQ += 1;
    if (skipped) continue;

    float sum = 0.0f;
    for (float d : dcs) sum += d * d;
    Vec3 dci{}, dcd{};
    for (std::size_t i = 0; i < 3; ++i) {
      dci[i] = dcs[2 * i] * e.RCELL[i];
      dcd[i] = dcs[2 * i + 1] * e.RCELL[i];
    }
    dci = times(e.UBTINV, dci);
    dcd = times(e.UBTINV, dcd);
    const float li = length(dci), ld = length(dcd);
    // Either beam without a direction (all its cosines zero) cannot be
    // normalised: it is as good as missing.
    if (!(sum >= 0.001f) || !(li > 0.0f) || !(ld > 0.0f))
      error(kMissingCosines.text({r.NSEQ, r.IH[0], r.IH[1], r.IH[2]}));
    for (std::size_t i = 0; i < 3; ++i) {
      r.DCI[i] = dci[i] / li;
      r.DCD[i] = dcd[i] / ld;
    }
    float c = -((r.DCI[0] * r.DCD[0] + r.DCI[1] * r.DCD[1]) + r.DCI[2] * r.DCD[2]);
    // Rounding can carry a unit-vector product just past +-1.
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    r.ANG[0] = std::acos(c) / kRadiansPerDegree;
    return true;
  }
}

}  // namespace

UnreadableReflection::UnreadableReflection(const std::string& text) : FatalError(text), text_(text) {}

void noteUnreadable(Run& run, const UnreadableReflection& unreadable) {
  if (run.state.FILESET[1] == 1) {
    run.files.print.write(kReadErrorRecord, {unreadable.text()});
    run.files.print.flush();
  }
}

void readReflection(Run& run, int& ieof) {
  try {
    readReflectionAhead(run, ieof);
  } catch (const UnreadableReflection& unreadable) {
    noteUnreadable(run, unreadable);
    throw;
  }
}

void readReflectionAhead(Run& run, int& ieof) {
  ieof = 0;
  run.refl.STAT = {' ', ' ', ' ', ' '};
  const bool got = run.state.IFORMIN == 1 ? readShelx(run) : readDrevik(run);
  if (!got) {
    ieof = 1;
    return;
  }
  run.refl.FI = run.refl.FI * run.exp.SCALE;
  run.refl.SIGI = run.refl.SIGI * run.exp.SCALE;
}

}  // namespace korvex
