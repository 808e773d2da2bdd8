// The gasket along one grid line, with the step at which a beam clears the
// hole solved for instead of searched for.
#include "transmission/gasket_line.hpp"

#include <cmath>

namespace korvex {

namespace {

// Heights kept per beam: one per line height of the filled hole's grid.
constexpr std::size_t kLaddersKept = kMaxGrid;

}  // namespace

GasketLine::GasketLine(const ExperimentState& e, const ReflectionBeams& b) : e_(e), b_(b), grazing_(grazing(b)) {
  for (GasketBeam which : {GasketBeam::Incident, GasketBeam::Diffracted}) {
    Beam& beam = beams_[which == GasketBeam::Incident ? 0 : 1];
    beam.which = which;
    beam.d = which == GasketBeam::Incident ? b.DCI : b.DCD;
    beam.incr = steppingDirection(b, which);
    beam.a = static_cast<double>(beam.d[0]) * beam.d[0] + static_cast<double>(beam.d[2]) * beam.d[2];
    beam.ladders.reserve(kLaddersKept);
  }
}

void GasketLine::start(float x, float y) {
  x_ = x;
  y_ = y;
  for (Beam& beam : beams_) beam.current = nullptr;
  if (grazing_) return;
  s1_ = toCulet(GasketBeam::Incident, y);
  s2_ = toCulet(GasketBeam::Diffracted, y);
  xi_ = x - s1_ * b_.DCI[0];
  xd_ = x - s2_ * b_.DCD[0];
}

float GasketLine::toCulet(GasketBeam beam, float y) const {
  return beam == GasketBeam::Incident ? incidentToCulet(y, b_.DCI[1], e_.GASKETT)
                                      : diffractedToCulet(y, b_.DCD[1], e_.GASKETT);
}

CuletExits GasketLine::exits(float z) const {
  CuletExits out;
  if (grazing_) {
    out.code = kShadowGrazing;
    return out;
  }
  const float R = e_.GASKETR;
  out.PLANEI = std::fabs(s1_);
  out.PLANED = std::fabs(s2_);
  if (crossesGasket(xi_, z - s1_ * b_.DCI[2], R)) out.code -= 1;
  if (crossesGasket(xd_, z - s2_ * b_.DCD[2], R)) out.code -= 2;
  return out;
}

void GasketLine::codes(const float* z, int n, int* code) const {
  const float R = e_.GASKETR;
  const float dzi = b_.DCI[2], dzd = b_.DCD[2];
  for (int k = 0; k < n; ++k) {
    const int incident = crossesGasket(xi_, z[k] - s1_ * dzi, R) ? 1 : 0;
    const int diffracted = crossesGasket(xd_, z[k] - s2_ * dzd, R) ? 2 : 0;
    code[k] = grazing_ ? kShadowGrazing : -(incident + diffracted);
  }
}

GasketLine::Kind GasketLine::paths(const Vec3& p, int code, GasketPaths& out) {
  out = GasketPaths{};
  if (code == kShadowNone) return Kind::Clear;
  out.G = 0.0f;
  if (code == kShadowGrazing || e_.GASKOPAQUE == 1) return Kind::Blocked;
  if (beamCrosses(code, GasketBeam::Incident)) out.GPATHI = pathOf(p, beams_[0]);
  if (beamCrosses(code, GasketBeam::Diffracted)) out.GPATHD = pathOf(p, beams_[1]);
  return Kind::Absorbing;
}

GasketPaths GasketLine::gasket(const Vec3& p, int code) {
  GasketPaths out;
  if (paths(p, code, out) == Kind::Absorbing) out.G = std::exp(-e_.GASKETMU * (out.GPATHI + out.GPATHD));
  return out;
}

const GasketLine::Ladder& GasketLine::ladder(Beam& beam) {
  if (beam.current != nullptr) return *beam.current;
  for (const Ladder& l : beam.ladders)
    if (l.y0 == y_ && std::signbit(l.y0) == std::signbit(y_)) return *(beam.current = &l);
  if (beam.ladders.size() < kLaddersKept) beam.ladders.emplace_back();
  Ladder& l = beam.ladders[beam.next];
  beam.current = &l;
  beam.next = (beam.next + 1) % kLaddersKept;
  // The same float sums as the stepping: y[n + 1] = y[n] + incr * delta.
  const float T = e_.GASKETT;
  const float delta = 0.01f * T;
  const float step = static_cast<float>(beam.incr) * delta;
  l.y0 = y_;
  l.y[0] = y_;
  l.s[0] = toCulet(beam.which, y_);
  for (int n = 0; n + 1 < kRungs; ++n) {
    const float next = l.y[static_cast<std::size_t>(n)] + step;
    l.y[static_cast<std::size_t>(n) + 1] = next;
    l.s[static_cast<std::size_t>(n) + 1] = toCulet(beam.which, next);
    if (next <= -delta || next >= T + delta || n >= kMaxGasketSteps) {
      l.last = n;
      l.complete = true;
      return l;
    }
  }
  l.last = kRungs - 2;
  return l;
}

// The stepping tests the trial heights y[0], y[1], ... in turn and stops at
// the first where the beam clears the hole. Along the line from the point to
// the culet the beam heads for, the beam's exit point moves on a straight
// line towards the point's own (x, z); when that lies inside the hole, the
// squared distance of the exit point from the axis, less R^2, is a convex
// quadratic in the distance s to the culet, falling all the way to the
// crossing. So the first clear step follows from the root, and every step
// before it is shadowed, which the float test confirms with a wide margin at
// the step just before. Wherever this reasoning does not hold with room to
// spare (the point near or beyond the hole's edge, a root beyond the layer,
// a step too close to the crossing), the steps are searched one by one.
float GasketLine::pathOf(const Vec3& p, Beam& beam) {
  const Vec3& d = beam.d;
  const float R = e_.GASKETR;
  const double x = p[0], z = p[2], dx = d[0], dz = d[2], r2 = static_cast<double>(R) * R;
  const double c = x * x + z * z - (r2 + 0.001);
  const double scale = x * x + z * z + r2;
  const double delta = 0.01 * static_cast<double>(e_.GASKETT);
  if (!(beam.a > 0.0) || !(c < -1.0e-6 * scale) || !(delta > 0.0))
    return steppedPathInGasket(e_, b_, p, beam.which);

  // Root s < 0 of a s^2 + b s + c = 0, in the form free of cancellation.
  const double bq = -2.0 * (x * dx + z * dz);
  const double root = std::sqrt(bq * bq - 4.0 * beam.a * c);
  const double sc = bq > 0.0 ? (-bq - root) / (2.0 * beam.a) : 2.0 * c / (-bq + root);
  const double culet = beam.incr > 0 ? static_cast<double>(e_.GASKETT) : 0.0;
  const double yc = culet + sc * static_cast<double>(d[1]);
  const double steps = std::ceil((static_cast<double>(beam.incr) * (yc - static_cast<double>(p[1]))) / delta);
  const Ladder& l = ladder(beam);
  if (!(steps <= static_cast<double>(l.last))) return steppedPathInGasket(e_, b_, p, beam.which);
  const int first = steps < 1.0 ? 1 : static_cast<int>(steps);

  auto excess = [&](int n) {
    const float s = l.s[static_cast<std::size_t>(n)];
    return exitExcess(p[0] - s * d[0], p[2] - s * d[2], R);
  };
  if (first > 1) {
    // Every earlier step lies further from the crossing; the float test at
    // any of them errs by far less than this margin.
    const double s0 = std::fabs(static_cast<double>(l.s[0]));
    const double mx = std::fabs(x) + s0 * std::fabs(dx), mz = std::fabs(z) + s0 * std::fabs(dz);
    const double margin = 1.0e-5 * (mx * mx + mz * mz + r2);
    if (!(static_cast<double>(excess(first - 1)) - 0.001 > margin))
      return steppedPathInGasket(e_, b_, p, beam.which);
  }
  for (int n = first; n <= l.last; ++n) {
    if (!(excess(n) > 0.001f)) return std::fabs(l.y[static_cast<std::size_t>(n)] - p[1]) / std::fabs(d[1]);
  }
  // Never clears within the ladder: the fault, or a longer search, as the
  // stepping does it.
  return steppedPathInGasket(e_, b_, p, beam.which);
}

}  // namespace korvex
