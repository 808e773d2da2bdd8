// The exact transmission of one reflection, by the model's kind.
#include "exact/exact_transmission.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "exact/cell_cubature.hpp"
#include "exact/crystal_moments.hpp"
#include "exact/filled_hole.hpp"
#include "run/messages.hpp"

namespace korvex {

namespace {

using exact::V3;

constexpr char kNoBody[] = "CRYSTAL FACES ENCLOSE NO VOLUME: NO EXACT TRANSMISSION";

V3 unitOf(const Vec3& w) {
  const V3 v{w[0], w[1], w[2]};
  const double n = exact::norm(v);
  return n > 0.0 ? (1.0 / n) * v : v;
}

// A beam more than about 80 degrees off the load axis runs nearly parallel
// to the culets: the point counts as obscured, as on the Gaussian grid.
bool grazing(const Vec3& dci, const Vec3& dcd) { return std::fabs(dci[1]) < 0.174f || std::fabs(dcd[1]) < 0.174f; }

exact::CellAbsorption absorptionOf(const ExperimentState& e) {
  exact::CellAbsorption a;
  a.shape = {e.GASKETT, e.GASKETR};
  a.gasket = e.GASKGIVEN == 1;
  a.opaque = e.GASKOPAQUE == 1;
  a.muGasket = e.GASKETMU;
  a.medium = e.MEDIAABS == 1;
  a.muMedium = e.MUMEDIA;
  a.muCrystal = e.ABSCO;
  return a;
}

// Whether no point of the crystal is shadowed for either beam: every
// corner's beams leave through the hole (the points that do form a convex
// set).
bool allLit(const exact::ExactCrystal& c, const exact::CellAbsorption& a, V3 u, V3 v) {
  const exact::BeamInCell bu(u, a.shape), bv(v, a.shape);
  return std::none_of(c.body.vertices.begin(), c.body.vertices.end(),
                      [&](V3 p) { return bu.shadowed(p) || bv.shadowed(p); });
}

void polyhedron(const ExperimentState& e, const Vec3& dci, const Vec3& dcd, TransmissionState& f) {
  const exact::ExactModel& m = e.exact;
  const double V = m.volume;
  const V3 u = unitOf(dci), v = unitOf(dcd);
  const exact::CellAbsorption a = absorptionOf(e);
  // Work space of the cuts, owned by this call and kept across its cuts so
  // that only the first cuts allocate.
  exact::PieceCutter cutter;
  double crystal = 0.0, pathWeighted = 0.0;
  const bool cell = e.DACTYPE != 0 && (a.gasket || a.medium);
  if (!cell || grazing(dci, dcd) || (!a.medium && allLit(m.crystal, a, u, v))) {
    const exact::PathMoments pm = exact::crystalPathMoments(m.crystal, u, v, a.muCrystal, cutter);
    crystal = pm.transmitted / V;
    pathWeighted = pm.pathWeighted / V;
    const bool obscured = cell && grazing(dci, dcd);
    f.TGAS = obscured && a.gasket ? 0.0f : 1.0f;
    f.TMED = obscured && a.medium ? 0.0f : 1.0f;
    f.TRANS = static_cast<float>(crystal * f.TGAS * f.TMED);
  } else {
    const exact::CrystalInCell r = exact::crystalInCell(m.crystal, u, v, a, e.METHODTOL, cutter);
    crystal = r.crystal.transmitted / V;
    pathWeighted = r.crystal.pathWeighted / V;
    f.TGAS = !a.gasket || allLit(m.crystal, a, u, v) ? 1.0f : static_cast<float>(r.cell.gasket / V);
    f.TMED = a.medium ? static_cast<float>(r.cell.medium / V) : 1.0f;
    f.TRANS = static_cast<float>(r.cell.transmitted / V);
  }
  f.TXTAL = static_cast<float>(crystal);
  f.SUMTP = static_cast<float>(-pathWeighted);
}

void filledHole(const ExperimentState& e, const Vec3& dci, const Vec3& dcd, TransmissionState& f) {
  const exact::CellAbsorption a = absorptionOf(e);
  const exact::FilledHoleIntegrals r =
      exact::filledHoleIntegrals(a, unitOf(dci), unitOf(dcd), e.METHODTOL, grazing(dci, dcd));
  f.TXTAL = static_cast<float>(r.crystal.transmitted / r.volume);
  f.SUMTP = static_cast<float>(-r.crystal.pathWeighted / r.volume);
  f.TGAS = static_cast<float>(r.gasket / r.volume);
  f.TMED = 1.0f;
  f.TRANS = static_cast<float>(r.transmitted / r.volume);
}

}  // namespace

void buildExactModel(ExperimentState& e) {
  exact::ExactModel& m = e.exact;
  m = exact::ExactModel{};
  switch (e.MODELTYPE) {
    case 1:
    case 2:
    case 3: {
      // The oriented faces, scaled by 100, with the crystal on the positive
      // side: their planes with unit normals.
      std::vector<exact::Plane> planes;
      for (int f = 0; f < e.NFACES; ++f) {
        const V3 n{e.FACE[f][0], e.FACE[f][1], e.FACE[f][2]};
        const double s = 1.0 / exact::norm(n);
        planes.push_back({s * n, s * e.FACE[f][3]});
      }
      m.crystal = exact::buildExactCrystal(planes, {e.BOXMIN[0], e.BOXMIN[1], e.BOXMIN[2]},
                                           {e.BOXMAX[0], e.BOXMAX[1], e.BOXMAX[2]});
      if (!(m.crystal.volume > 0.0)) error(kNoBody);
      m.volume = m.crystal.volume;
      break;
    }
    case 4:
      m.sphere = exact::sphereSeries(e.RADIUS, e.ABSCO, std::min(1e-9, e.METHODTOL));
      m.volume = 4.0 / 3.0 * std::numbers::pi * std::pow(double(e.RADIUS), 3);
      break;
    case 5:
      m.volume = std::numbers::pi * double(e.GASKETR) * e.GASKETR * e.GASKETT;
      break;
    default:
      break;
  }
  m.built = true;
}

void exactTransmission(const ExperimentState& e, const ReflectionBeams& beams, TransmissionState& t) {
  TransmissionState f = t;
  switch (e.MODELTYPE) {
    case 4: {
      // The sphere computes no gasket or medium, as on the grid.
      const exact::SphereMoments s = e.exact.sphere.at(std::clamp(std::fabs(double(beams.twoTheta)), 0.0, 180.0));
      f.TXTAL = static_cast<float>(s.transmitted);
      f.SUMTP = static_cast<float>(-s.pathWeighted);
      f.TGAS = 1.0f;
      f.TMED = 1.0f;
      f.TRANS = f.TXTAL;
      break;
    }
    case 5:
      filledHole(e, beams.DCI, beams.DCD, f);
      break;
    default:
      polyhedron(e, beams.DCI, beams.DCD, f);
      break;
  }
  // Without crystal absorption the crystal's own factors are 1 (its path
  // still enters the medium's).
  if (e.CRYSABS != 1 && e.MODELTYPE != 4) {
    f.TXTAL = 1.0f;
    f.SUMTP = 1.0f;
  }
  t = f;
}

}  // namespace korvex
