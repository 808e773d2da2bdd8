// From the measured intensity of one reflection to its corrected amplitude:
// anvil, crystal, gasket and medium transmission, F and sigma(F), the
// extinction term, and the flags for beams the cell spoils.
#include "transmission/transmission.hpp"

#include <algorithm>
#include <cmath>

#include "exact/exact_transmission.hpp"
#include "fixedformat/edit_list.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "transmission/anvils.hpp"
#include "transmission/crystal.hpp"
#include "transmission/crystal_fast.hpp"
#include "transmission/sphere.hpp"

namespace korvex {

namespace {

// Beams more than 1.22 rad (about 70 degrees) from the load axis run through
// the cell's body; no anvil transmission is computed for them.
constexpr float kPsiLimit = 1.22f;

constexpr char kSteepBeamWarning[] = " REFLECTION WITH PSI > 70 DEG DACABS SET ZERO. CHECK DATA, UB AND BLAXES";
const ff::EditList kMediumPathWarning(
    "(' ******WARNING: NEXT REFLECTION HAS PATH',' IN PRESSURE MEDIUM CALCULATED AS ',F6.1,' MICRONS')");

// Angle of a beam to the load axis from its Y component, 0 to pi/2, with
// the component held to [0, 1] against rounding.
float axisAngle(float cosine) { return std::acos(std::min(cosine, 1.0f)); }

// Anvil angles and sides of both beams, and TDAC.
void anvilTransmission(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out) {
  // Anvil 1 lies on the -Y side of the crystal, anvil 2 on the +Y side.
  if (b.DCI[1] < 0.0f) {
    out.PSI[0] = axisAngle(-b.DCI[1]);
    out.ISIDE[0] = 1;
  } else {
    out.PSI[0] = axisAngle(b.DCI[1]);
    out.ISIDE[0] = 2;
  }
  if (b.DCD[1] > 0.0f) {
    out.PSI[1] = axisAngle(b.DCD[1]);
    out.ISIDE[1] = 2;
  } else {
    out.PSI[1] = axisAngle(-b.DCD[1]);
    out.ISIDE[1] = 1;
  }

  if (out.PSI[0] > kPsiLimit || out.PSI[1] > kPsiLimit) {
    out.factors.TDAC = 0.0f;
    out.beyondAnvilLimit = true;
    out.messages.push_back({TransmissionMessage::Kind::SteepBeam, 0.0f, {}});
    return;
  }
  out.factors.TDAC = 1.0f / (diabs(e, out.PSI[0], out.ISIDE[0]) * diabs(e, out.PSI[1], out.ISIDE[1]));
}

void crystalTransmission(const ExperimentState& e, const ReflectionBeams& b, CrystalKernel kernel,
                         ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  if (e.METHOD == 1 && e.exact.built && e.MODELTYPE != 0) {
    exactTransmission(e, b, tr);
    return;
  }
  switch (e.MODELTYPE) {
    case 0:
      // No crystal model: the crystal is taken as transparent and fully
      // illuminated, with no extinction path and no medium.
      tr.TRANS = 1.0f;
      tr.TXTAL = 1.0f;
      tr.SUMTP = 0.0f;
      tr.TGAS = 1.0f;
      tr.TMED = 1.0f;
      break;
    case 4:
      korvexSphere(e, b, out);
      tr.TMED = 1.0f;  // no medium is computed around a sphere
      break;
    case 5:
      if (kernel == CrystalKernel::Reference)
        korvexFillg(e, b, out);
      else
        filledHoleFast(e, b, out);
      break;
    default:
      if (kernel == CrystalKernel::Reference)
        korvex(e, b, out);
      else
        polyhedronFast(e, b, out);
      break;
  }
}

}  // namespace

ReflectionBeams beamsOf(const ReflectionRecord& refl) { return {refl.DCI, refl.DCD, refl.ANG[0]}; }

const TransmissionMessage* ReflectionTransmission::fatal() const {
  if (messages.empty() || messages.back().kind != TransmissionMessage::Kind::Fatal) return nullptr;
  return &messages.back();
}

ReflectionTransmission reflectionTransmission(const ExperimentState& e, const ReflectionBeams& b,
                                              CrystalKernel kernel) {
  ReflectionTransmission out;
  try {
    if (e.DACTYPE > 0) {
      anvilTransmission(e, b, out);
    } else {
      out.factors.TDAC = 1.0f;
    }
    crystalTransmission(e, b, kernel, out);
    out.factors.TRANS = out.factors.TRANS * out.factors.TDAC;
  } catch (const FatalError& fatal) {
    // The reflection's computation stops here; the messages raised before
    // the fault stay ahead of it.
    out.messages.push_back({TransmissionMessage::Kind::Fatal, 0.0f, fatal.message()});
  }
  return out;
}

void itof(Run& run) {
  const CrystalKernel kernel = run.state.work.referenceKernel ? CrystalKernel::Reference : CrystalKernel::Fast;
  applyTransmission(run, reflectionTransmission(run.exp, beamsOf(run.refl), kernel));
}

void applyTransmission(Run& run, const ReflectionTransmission& t) {
  const ExperimentState& e = run.exp;
  ReflectionRecord& r = run.refl;
  TransmissionState& tr = run.trans;

  for (const TransmissionMessage& m : t.messages) {
    switch (m.kind) {
      case TransmissionMessage::Kind::SteepBeam:
        // Given once per program, not once per reflection or run.
        if (!run.state.psiWarningGiven) {
          warning(run, kSteepBeamWarning);
          run.state.psiWarningGiven = true;
        }
        break;
      case TransmissionMessage::Kind::MediumPath:
        if (run.files.print.isOpen()) run.files.print.write(kMediumPathWarning, {m.value});
        break;
      case TransmissionMessage::Kind::Fatal:
        error(m.text);
    }
  }

  tr = t.factors;
  if (e.DACTYPE > 0) {
    r.PSI = t.PSI;
    r.ISIDE = t.ISIDE;
  }

  // 360/pi in single precision turns 2theta in degrees into theta in radians.
  const float sinth = std::fabs(std::sin(r.ANG[0] / 114.59159851f));
  const float costh = std::sqrt(1.0f - sinth * sinth);

  // Corrected intensity: a negative intensity is replaced by a tenth of its
  // sigma. The magnitude is taken so that a negative sigma cannot give a
  // negative intensity (and a NaN amplitude).
  float corr = 0.0f;
  float intensity = 0.0f;
  if (tr.TRANS > 1.0e-5f) {
    corr = 1.0f / tr.TRANS;
    intensity = r.FI < 0.0f ? std::fabs(0.1f * r.SIGI * corr) : std::fabs(corr * r.FI);
  }
  r.FOBS = std::sqrt(intensity);
  r.SIGF = r.FOBS < 1.0e-5f ? 1.0f : 0.5f * r.SIGI * corr / r.FOBS;

  // Extinction term: 1588.83 lambda^2/V^2 Tbar (1 + cos^4 2theta) /
  // ((1 + cos^2 2theta) sin theta cos theta), Tbar = -SUMTP/TXTAL in microns.
  r.EXTF = 0.0f;
  if (e.CRYSABS != 0 && tr.TXTAL >= 1.0e-4f) {
    const float q = costh * costh - sinth * sinth;
    const float q2 = q * q;
    const float q4 = q2 * q2;
    const float denominator = (1.0f + q2) * tr.TXTAL * sinth * costh;
    // 2theta of 0 or 180 degrees has no extinction term (it would be infinite).
    if (denominator != 0.0f) r.EXTF = -1588.83f * e.LAMBDAV2 * tr.SUMTP * (1.0f + q4) / denominator;
  }

  if (e.DACTYPE > 0) {
    // A beam beyond the opening of its anvil, or beyond the angle the cell
    // can be corrected for at all: listed, counted once, not written.
    if (t.beyondAnvilLimit || r.PSI[0] > e.PSIMAX[r.ISIDE[0] - 1] || r.PSI[1] > e.PSIMAX[r.ISIDE[1] - 1]) {
      ++run.counters.NPSI;
      r.STAT[2] = 'D';
    }
    if (tr.TGAS < e.MINILLUM) {
      r.STAT[3] = 'O';
      ++run.counters.NOBSC;
    }
  }
}

}  // namespace korvex
