// The gasket at the points of one grid line of the crystal (constant x and
// y, z varying), for the beams of one reflection, with what is constant
// along the line worked out once: each beam's distance to its culet plane,
// the x of its exit point, and the trial heights of the axial stepping (kept
// for every line at the same height, as the lines of the filled hole are).
// Every result has the bits of ishadow and gasketAbs (gasket.hpp) at the
// same point; the stepped search for a beam's path in the gasket is replaced
// by solving for the step at which the beam clears the hole.
#pragma once

#include <array>
#include <cmath>
#include <vector>

#include "transmission/gasket.hpp"

namespace korvex {

class GasketLine {
 public:
  GasketLine(const ExperimentState& e, const ReflectionBeams& b);

  // A new line at (x, y).
  void start(float x, float y);

  // ISHADOW at (x, y, z).
  CuletExits exits(float z) const;
  // The shadow codes of the points (x, y, z[k]), k < n; PLANEI and PLANED
  // are the same for every point of the line (not for grazing beams).
  void codes(const float* z, int n, int* code) const;
  float planeI() const { return std::fabs(s1_); }
  float planeD() const { return std::fabs(s2_); }

  // GASKETABS at p = (x, y, z) whose shadow code is `code`.
  GasketPaths gasket(const Vec3& p, int code);

  // GASKETABS without its exponential: the paths, and whether G is 1 (no
  // beam crosses the gasket), 0 (a grazing beam or an opaque gasket) or
  // exp(-GASKETMU (GPATHI + GPATHD)).
  enum class Kind { Clear, Blocked, Absorbing };
  Kind paths(const Vec3& p, int code, GasketPaths& out);

 private:
  // The heights a trial point takes when it is moved from height y0
  // towards the culet a beam heads for, y[n] after n steps for n = 0 to
  // last + 1, and the beam's distance s[n] to that culet from each. Position
  // `last` is the last one the stepping tests; the step after it leaves the
  // layer. `complete` is false when the ladder stops short of that (it then
  // holds kRungs heights and a longer search is left to the stepping).
  static constexpr int kRungs = 160;
  struct Ladder {
    float y0 = 0.0f;
    int last = 0;
    bool complete = false;
    std::array<float, kRungs> y{}, s{};
  };
  struct Beam {
    GasketBeam which = GasketBeam::Incident;
    Vec3 d{};
    int incr = 1;
    double a = 0.0;  // dx^2 + dz^2
    std::vector<Ladder> ladders;  // by height, filled in turn
    std::size_t next = 0;         // the one filled next
    const Ladder* current = nullptr;  // the current line's, once looked up
  };

  float pathOf(const Vec3& p, Beam& beam);
  float toCulet(GasketBeam beam, float y) const;
  const Ladder& ladder(Beam& beam);

  const ExperimentState& e_;
  const ReflectionBeams& b_;
  bool grazing_ = false;
  float x_ = 0.0f, y_ = 0.0f;
  float s1_ = 0.0f, s2_ = 0.0f;  // distances to the culets along DCI and DCD
  float xi_ = 0.0f, xd_ = 0.0f;  // x of the exit points
  std::array<Beam, 2> beams_{};
};

}  // namespace korvex
