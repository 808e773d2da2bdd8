// The fast crystal kernel against the reference loops: random crystals,
// grids, beams, cells, gaskets and media must give the same factors and the
// same messages, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "model/grid.hpp"
#include "model/polyhedron.hpp"
#include "support/test_support.hpp"
#include "transmission/exp_lanes.hpp"
#include "transmission/face_search.hpp"
#include "transmission/reflection_transmission.hpp"

namespace korvex {
namespace {

std::uint32_t bits(float v) {
  std::uint32_t u = 0;
  std::memcpy(&u, &v, sizeof u);
  return u;
}

// Every result of the two kernels, as text with the floats' bits, so that a
// difference shows where it is. After a fatal message the sums are partial
// and unused: only the messages count.
std::string fingerprint(const ReflectionTransmission& t) {
  std::ostringstream s;
  const TransmissionState& f = t.factors;
  if (t.fatal() == nullptr)
    s << std::hex << bits(f.TXTAL) << ' ' << bits(f.SUMTP) << ' ' << bits(f.TDAC) << ' ' << bits(f.TGAS) << ' '
    << bits(f.TMED) << ' ' << bits(f.TRANS) << " psi " << bits(t.PSI[0]) << ' ' << bits(t.PSI[1]) << ' '
    << t.ISIDE[0] << t.ISIDE[1] << t.beyondAnvilLimit;
  for (const TransmissionMessage& m : t.messages)
    s << " [" << static_cast<int>(m.kind) << ' ' << bits(m.value) << ' ' << m.text << ']';
  return s.str();
}

struct Random {
  std::mt19937 gen{20261108};
  double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
  int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
  bool chance(double p) { return uniform(0.0, 1.0) < p; }
  Vec3 direction() {
    for (;;) {
      const double x = uniform(-1, 1), y = uniform(-1, 1), z = uniform(-1, 1);
      const double l = std::sqrt(x * x + y * y + z * z);
      if (l > 0.1 && l <= 1.0) return {static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
    }
  }
};

// A crystal in a diamond-anvil cell, or in air, with its grid built by the
// model build: corners on an ellipsoid (a convex polyhedron of up to 16
// faces), or a crystal filling the gasket hole.
struct RandomCase : test::TestRun {
  explicit RandomCase(Random& rnd) {
    ExperimentState& e = run.exp;
    const bool cell = rnd.chance(0.8);
    const float T = static_cast<float>(rnd.uniform(20.0, 120.0));
    e.CRYSABS = rnd.chance(0.9) ? 1 : 0;
    e.ABSCO = e.CRYSABS == 1 ? static_cast<float>(rnd.uniform(0.0, 0.05)) : 0.0f;
    if (cell) {
      e.DACTYPE = 1;
      e.PSIMAX = {1.4f, 1.4f};
      e.DTHICK = {0.2f, 0.2f, 0.3f, 0.3f};
      e.DMU = {2.025f, 2.025f, 0.473f, 0.473f};
      e.GASKGIVEN = rnd.chance(0.85) ? 1 : 0;
      e.GASKETT = T;
      e.GASKOPAQUE = rnd.chance(0.3) ? 1 : 0;
      e.GASKETMU = static_cast<float>(rnd.uniform(0.0, 0.05));
      e.MEDIAABS = rnd.chance(0.6) ? 1 : 0;
      e.MUMEDIA = static_cast<float>(rnd.uniform(0.0, 0.01));
    }
    e.GRID = {static_cast<float>(rnd.integer(0, 3)), static_cast<float>(rnd.integer(0, 3)),
              static_cast<float>(rnd.integer(0, 5))};

    if (cell && rnd.chance(0.3)) {
      e.MODELTYPE = 5;
      e.GASKGIVEN = 1;
      e.GASKETR = static_cast<float>(rnd.uniform(10.0, 100.0));
      setGridFillG(run);
      return;
    }
    // Half-axes of the ellipsoid; in a cell the crystal lies between the
    // culets, and the hole is sometimes narrower than the crystal, so that
    // points outside it stop an absorbing gasket's run with the fault.
    const double ax = rnd.uniform(5.0, 60.0), az = rnd.uniform(5.0, 60.0);
    const double ay = cell ? rnd.uniform(0.1, 0.45) * T : rnd.uniform(5.0, 60.0);
    const double cy = cell ? T / 2.0 + rnd.uniform(-0.04, 0.04) * T : rnd.uniform(-20.0, 20.0);
    const double cx = rnd.uniform(-10.0, 10.0), cz = rnd.uniform(-10.0, 10.0);
    e.GASKETR = static_cast<float>(std::max(ax, az) * rnd.uniform(0.6, 2.5) + 5.0);
    e.MODELTYPE = 3;
    e.NCORNERS = rnd.integer(5, 10);
    for (int m = 0; m < e.NCORNERS; ++m) {
      const Vec3 u = rnd.direction();
      const double x = cx + ax * u[0], y = cy + ay * u[1], z = cz + az * u[2];
      std::ostringstream card;
      card << x << ' ' << y << ' ' << z;
      e.MODELCARDS[static_cast<std::size_t>(m)] = ff::padded(card.str(), 80);
    }
    getFaces(run);
    setGrid(run);
  }
};

ReflectionBeams randomBeams(Random& rnd, bool cell) {
  ReflectionBeams b{rnd.direction(), rnd.direction(), static_cast<float>(rnd.uniform(1.0, 170.0))};
  // Mostly the cell's geometry: in through anvil 1, out through anvil 2.
  if (cell && rnd.chance(0.8)) {
    b.DCI[1] = -std::fabs(b.DCI[1]);
    b.DCD[1] = std::fabs(b.DCD[1]);
  }
  // Beams along the axis and along a face of a box.
  if (rnd.chance(0.05)) b.DCI = {0.0f, -1.0f, 0.0f};
  return b;
}

TEST(CrystalKernels, FastPathGivesTheReferenceBits) {
  Random rnd;
  int built = 0, reflections = 0, faults = 0, shadowed = 0;
  for (int c = 0; c < 250; ++c) {
    SCOPED_TRACE(c);
    std::unique_ptr<RandomCase> rc;
    try {
      rc = std::make_unique<RandomCase>(rnd);
    } catch (const FatalError&) {
      continue;  // corners too close for a polyhedron: no crystal to compare
    }
    ++built;
    const ExperimentState& e = rc->run.exp;
    for (int r = 0; r < 8; ++r) {
      const ReflectionBeams b = randomBeams(rnd, e.DACTYPE != 0);
      const ReflectionTransmission ref = reflectionTransmission(e, b, CrystalKernel::Reference);
      const ReflectionTransmission fast = reflectionTransmission(e, b, CrystalKernel::Fast);
      ASSERT_EQ(fingerprint(fast), fingerprint(ref)) << "model " << e.MODELTYPE << " grid " << e.NGRID[0] << 'x'
                                                     << e.NGRID[1] << 'x' << e.NGRID[2];
      ++reflections;
      if (ref.fatal() != nullptr) ++faults;
      if (e.GASKGIVEN == 1 && ref.factors.TGAS < 1.0f && ref.factors.TGAS > 0.0f) ++shadowed;
    }
  }
  // The draw must reach what it is meant to test.
  EXPECT_GT(built, 150);
  EXPECT_GT(faults, 5);
  EXPECT_GT(shadowed, 100);
  EXPECT_EQ(reflections, 8 * built);
}

TEST(CrystalKernels, FaceSearchAtEveryWidthTheProcessorHas) {
  // Plane values of both signs and zero, beams parallel to a face, values
  // whose quotient lands on 1.0E-5, with and without the model's summary of
  // the face values: every width must give the plain loop's bits (the widths
  // the processor lacks are skipped).
  Random rnd;
  constexpr int nz = 32, nf = 7;
  ExperimentState e;
  e.NFACES = nf;
  std::vector<float> fd(static_cast<std::size_t>(nz * nf));
  for (int trial = 0; trial < 200; ++trial) {
    for (float& v : fd) {
      const int kind = rnd.integer(0, 9);
      v = kind == 0 ? 0.0f : kind == 1 ? 2.0e-5f : static_cast<float>(rnd.uniform(-500.0, 500.0));
    }
    // Some faces negative or positive at every point, as inside a crystal.
    for (int k = 0; k < nz; ++k) {
      fd[static_cast<std::size_t>(k)] = -std::fabs(fd[static_cast<std::size_t>(k)]);
      fd[static_cast<std::size_t>(nz + k)] = std::fabs(fd[static_cast<std::size_t>(nz + k)]);
    }
    std::array<float, nf> doti{}, dotd{};
    for (int n = 0; n < nf; ++n) {
      const int kind = rnd.integer(0, 9);
      doti[n] = kind == 0 ? 1.0e-6f : kind == 1 ? 2.0f : static_cast<float>(rnd.uniform(-100.0, 100.0));
      dotd[n] = static_cast<float>(rnd.uniform(-100.0, 100.0));
    }
    std::array<float, nz> wantI{}, wantD{};
    for (int k = 0; k < nz; ++k) {
      wantI[k] = wantD[k] = kNoExit;
      for (int n = 0; n < nf; ++n) {
        const float v = fd[static_cast<std::size_t>(n * nz + k)];
        if (std::fabs(doti[n]) > 1.0e-6f && v / doti[n] > 1.0e-5f && v / doti[n] < wantI[k]) wantI[k] = v / doti[n];
        if (std::fabs(dotd[n]) > 1.0e-6f && v / dotd[n] > 1.0e-5f && v / dotd[n] < wantD[k]) wantD[k] = v / dotd[n];
      }
    }
    for (bool summed : {false, true}) {
      e.fdistMax.clear();
      e.fdistMin.clear();
      if (summed) {
        for (int n = 0; n < nf; ++n) {
          const auto first = fd.begin() + n * nz;
          e.fdistMax.push_back(*std::max_element(first, first + nz));
          e.fdistMin.push_back(*std::min_element(first, first + nz));
        }
      }
      const ExitFaces exitsI = exitFaces(e, doti.data()), exitsD = exitFaces(e, dotd.data());
      for (int width : {4, 8, 16}) {
        std::array<float, nz> ti{}, td{};
        if (!nearestFacesAtWidth(width, fd.data(), nz, exitsI, exitsD, ti.data(), td.data())) continue;
        for (int k = 0; k < nz; ++k) {
          ASSERT_EQ(bits(ti[k]), bits(wantI[k])) << width << ' ' << summed << ' ' << k;
          ASSERT_EQ(bits(td[k]), bits(wantD[k])) << width << ' ' << summed << ' ' << k;
        }
      }
    }
  }
}

TEST(CrystalKernels, ExponentialLanesAtEveryWidthTheProcessorHas) {
  // A stride through all 2^32 float arguments and the range the program
  // meets; bench/exp_check.cpp compares every argument.
  std::vector<float> x;
  for (std::uint64_t u = 0; u < (std::uint64_t{1} << 32); u += 65521) {
    const auto b = static_cast<std::uint32_t>(u);
    float v = 0.0f;
    std::memcpy(&v, &b, sizeof v);
    x.push_back(v);
  }
  for (int k = 0; k < 20000; ++k) x.push_back(-120.0f * static_cast<float>(k) / 20000.0f);
  std::vector<float> want(x.size()), got(x.size());
  for (std::size_t k = 0; k < x.size(); ++k) want[k] = std::exp(x[k]);
  for (int width : {8, 4, 1}) {
    if (!expLanesAtWidth(width, x.data(), got.data(), static_cast<int>(x.size()))) continue;
    for (std::size_t k = 0; k < x.size(); ++k)
      ASSERT_EQ(bits(got[k]), bits(want[k])) << "width " << width << " exp(" << x[k] << ")";
  }
}

}  // namespace
}  // namespace korvex
