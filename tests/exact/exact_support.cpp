// Crystals built from planes for the exact-transmission tests.
#include "exact/exact_support.hpp"

#include <cmath>

namespace korvex::exact::test {

V3 unitVector(double x, double y, double z) {
  const V3 v{x, y, z};
  return (1.0 / norm(v)) * v;
}

V3 randomDirection(std::mt19937& rng) {
  std::normal_distribution<double> g(0.0, 1.0);
  for (;;) {
    const V3 v{g(rng), g(rng), g(rng)};
    if (norm(v) > 1e-3) return (1.0 / norm(v)) * v;
  }
}

ExactCrystal crystalOf(const std::vector<Plane>& planes, double reach) {
  return buildExactCrystal(planes, {-reach, -reach, -reach}, {reach, reach, reach});
}

std::vector<Plane> boxPlanes(double a, double b, double c, V3 centre) {
  return {{{1, 0, 0}, a / 2 - centre.x},  {{-1, 0, 0}, a / 2 + centre.x}, {{0, 1, 0}, b / 2 - centre.y},
          {{0, -1, 0}, b / 2 + centre.y}, {{0, 0, 1}, c / 2 - centre.z},  {{0, 0, -1}, c / 2 + centre.z}};
}

std::vector<Plane> parallelepipedPlanes(V3 o, V3 e1, V3 e2, V3 e3) {
  std::vector<Plane> planes;
  const V3 edges[3] = {e1, e2, e3};
  for (int i = 0; i < 3; ++i) {
    // The pair of faces spanned by the other two edges, inward normals.
    V3 n = cross(edges[(i + 1) % 3], edges[(i + 2) % 3]);
    n = (1.0 / norm(n)) * n;
    if (dot(n, edges[i]) < 0) n = -1.0 * n;
    planes.push_back({n, -dot(n, o)});
    planes.push_back({-1.0 * n, dot(n, o + edges[i])});
  }
  return planes;
}

std::vector<Plane> randomCrystalPlanes(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> distance(20.0, 60.0), shift(-10.0, 10.0);
  for (;;) {
    const V3 centre{shift(rng), shift(rng), shift(rng)};
    std::vector<Plane> planes;
    for (int f = 0; f < n; ++f) {
      const V3 normal = randomDirection(rng);  // inward
      const double r = distance(rng);
      // n.(p - centre) + r >= 0 inside.
      planes.push_back({normal, r - dot(normal, centre)});
    }
    if (crystalOf(planes, 500.0).volume > 0.0) return planes;
  }
}

}  // namespace korvex::exact::test
