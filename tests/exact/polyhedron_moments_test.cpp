// The surface reduction of the moments of exp(-mu t) against the fan of
// tetrahedra, on random bodies and thin slivers, with gradients of every
// size and gradients nearly normal to a face or along an edge, where the
// reduction must hand over to the tetrahedra.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "exact/exact_support.hpp"
#include "exact/polyhedron_moments.hpp"

namespace korvex::exact {
namespace {

TEST(PolyhedronMoments, SurfaceReductionAgreesWithTetrahedraForEveryGradient) {
  std::mt19937 rng(31);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  PlaneCutter cutter;
  int cases = 0;
  for (int trial = 0; trial < 40; ++trial) {
    ConvexPolyhedron body = test::crystalOf(test::randomCrystalPlanes(rng, 5 + trial % 12)).body;
    // Corners carry rounding of about 1e-14 microns, 1e-12 of a sliver
    // 0.01 thick for either method.
    double depth = 100.0;
    if (trial % 4 == 3) {
      // A sliver: the part within 0.01 to 3 microns of a face.
      const Plane& face = body.faces[static_cast<std::size_t>(trial) % body.faces.size()].plane;
      depth = trial % 8 == 3 ? 0.01 : 3.0;
      ConvexPolyhedron sliver;
      if (cutter.cut(body, {-1.0 * face.n, depth - face.d}, 1e-9, sliver) != Cut::Cut) continue;
      body = sliver;
    }
    // Gradient directions: random, nearly a face's normal, nearly along an
    // edge, and in a face's plane.
    const auto& f0 = body.faces[0];
    const V3 p0 = body.vertices[static_cast<std::size_t>(body.loops[static_cast<std::size_t>(f0.first)])];
    const V3 p1 = body.vertices[static_cast<std::size_t>(body.loops[static_cast<std::size_t>(f0.first + 1)])];
    const V3 tilt = test::randomDirection(rng);
    const V3 directions[] = {test::randomDirection(rng), f0.plane.n + 1e-9 * tilt, f0.plane.n + 1e-4 * tilt,
                             f0.plane.n + 0.03 * tilt, (1.0 / norm(p1 - p0)) * (p1 - p0) + 1e-7 * tilt,
                             cross(f0.plane.n, tilt)};
    for (const V3& d : directions) {
      // Optical thickness of the body along the gradient from 1e-9 to 40.
      for (double optical : {1e-9, 1e-3, 0.2, 1.0, 6.0, 40.0}) {
        const double size = 100.0, scale = 0.5 + unit(rng) * 0.4;
        // Paths from 10 microns up.
        LinearPath t{(scale / norm(d)) * d, 0.0};
        double least = t.at(body.vertices[0]);
        for (const V3& v : body.vertices) least = std::min(least, t.at(v));
        t.offset = 10.0 - least;
        const double mu = optical / size;
        const PathMoments fast = polyhedronPathMoments(body, t, mu);
        const PathMoments reference = tetrahedralPathMoments(body, t, mu);
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", optical " << optical << ", gradient " << d.x
                                        << " " << d.y << " " << d.z);
        const double rel = depth < 0.1 ? 1e-11 : 1e-12;
        EXPECT_NEAR(fast.transmitted, reference.transmitted, rel * reference.transmitted);
        EXPECT_NEAR(fast.pathWeighted, reference.pathWeighted, rel * reference.pathWeighted);
        ++cases;
      }
    }
  }
  EXPECT_GT(cases, 1000);
  // Paths through a vanishing absorption and an exponent beyond the range
  // of exp stay finite.
  const ConvexPolyhedron box = test::crystalOf(test::boxPlanes(10, 20, 30)).body;
  const PathMoments none = polyhedronPathMoments(box, {{1, 0, 0}, 5.0}, 0.0);
  EXPECT_NEAR(none.transmitted, 6000.0, 1e-9);
  EXPECT_NEAR(none.pathWeighted, 6000.0 * 5.0, 1e-8);
  const PathMoments deep = polyhedronPathMoments(box, {{1, 0, 0}, 5000.0}, 1.0);
  EXPECT_TRUE(std::isfinite(deep.transmitted) && std::isfinite(deep.pathWeighted));
}

}  // namespace
}  // namespace korvex::exact
