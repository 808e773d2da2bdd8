// The sphere's transmission: with the reversed incident beam along z, a
// point at distance rho from the beam's axis through the centre has the
// chord half-length h = sqrt(R^2 - rho^2); writing its height as h s, the
// reversed incident beam runs h (1 - s) in the crystal and the diffracted
// beam v = (sin a, 0, cos a) runs sqrt(h^2 (1 - s^2) + c^2) - c, with
// c = rho cos(phi) sin(a) + h s cos(a) its component along v; the volume
// element is h^2 dh dphi ds. The integrand is smooth but where the
// diffracted beam grazes the surface (s = +-1 and c = 0): those curves give
// the breaks in phi and h, and the eased rules take care of the ends.
#include "exact/sphere_exact.hpp"

#include <cmath>
#include <numbers>

#include "exact/adaptive_quadrature.hpp"

namespace korvex::exact {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

}  // namespace

SphereMoments sphereMoments(double radius, double mu, double twoTheta, double relative) {
  const double R = radius;
  // The angle between the two beams is 180 degrees less 2theta.
  const double a = std::numbers::pi - twoTheta * kDegree;
  const double sa = std::sin(a), ca = std::cos(a);
  const double volume = 4.0 / 3.0 * std::numbers::pi * R * R * R;
  // Mirror symmetry in phi: [0, pi] twice. Scale of both integrals ~ V.
  const Values<2> tolerance{relative * volume / 2.0, relative * volume * R / 2.0};

  const auto overH = [&](double h) -> Values<2> {
    const double rho = std::sqrt(std::max(0.0, R * R - h * h));
    std::vector<double> phis{0.0, std::numbers::pi};
    if (std::fabs(sa) > 1e-12 && rho > 0.0) {
      for (double s : {-1.0, 1.0}) {
        const double q = -h * s * ca / (rho * sa);
        if (std::fabs(q) < 1.0) phis.push_back(std::acos(q));
      }
    }
    std::sort(phis.begin(), phis.end());
    const Values<2> phiTolerance = scaled(tolerance, 0.25 / (R * std::numbers::pi));
    return integrateBetween<2>(
        [&](double phi) -> Values<2> {
          const double cp = rho * std::cos(phi) * sa;
          const Values<2> sTolerance = scaled(phiTolerance, 0.25 / 2.0);
          const auto moments = [&](double s, double root) -> Values<2> {
            const double c = cp + h * s * ca;
            const double t = h * (1.0 - s) + root - c;
            const double e = h * h * std::exp(-mu * t);
            return {e, t * e};
          };
          // The root's argument h^2 (1 - s^2) + c^2 is a concave quadratic
          // in s, positive on [-1, 1]: with s = m + r cos(psi) between its
          // zeros the root is h |sin a| r sin(psi), and the integrand is
          // smooth however close a zero comes to +-1. For beams nearly
          // parallel the zeros lie far off and s itself serves.
          if (std::fabs(sa) > 0.1 && h > 1e-9 * R) {
            const double A = h * h + cp * cp, B = 2.0 * cp * h * ca, C = -h * h * sa * sa;
            const double m = -B / (2.0 * C);
            const double r = std::sqrt(B * B - 4.0 * A * C) / (2.0 * -C);
            const double psiA = std::acos(std::clamp((1.0 - m) / r, -1.0, 1.0));
            const double psiB = std::acos(std::clamp((-1.0 - m) / r, -1.0, 1.0));
            const double k = h * std::fabs(sa) * r;
            return integrate<2>(
                [&](double psi) {
                  const double sp = std::sin(psi);
                  return scaled(moments(m + r * std::cos(psi), k * sp), r * sp);
                },
                psiA, psiB, sTolerance, ErrorEstimate::Smooth);
          }
          return integrateEased<2>(
              [&](double s) {
                const double c = cp + h * s * ca;
                return moments(s, std::sqrt(std::max(0.0, h * h * (1.0 - s * s) + c * c)));
              },
              -1.0, 1.0, sTolerance, ErrorEstimate::Smooth);
        },
        phis, phiTolerance, true, ErrorEstimate::Smooth);
  };
  std::vector<double> hs{0.0, R};
  if (std::fabs(sa) > 1e-12 && std::fabs(sa) < 1.0) hs.insert(hs.begin() + 1, R * std::fabs(sa));
  const Values<2> sum = integrateBetween<2>(overH, hs, tolerance, true, ErrorEstimate::Smooth);
  return {2.0 * sum[0] / volume, 2.0 * sum[1] / volume};
}

namespace {

double clenshaw(const std::vector<double>& c, double x) {
  double b1 = 0.0, b2 = 0.0;
  for (std::size_t j = c.size(); j-- > 1;) {
    const double b = 2.0 * x * b1 - b2 + c[j];
    b2 = b1;
    b1 = b;
  }
  return x * b1 - b2 + 0.5 * c[0];
}

}  // namespace

SphereMoments SphereSeries::at(double twoTheta) const {
  const double x = std::clamp(twoTheta / 90.0 - 1.0, -1.0, 1.0);
  return {clenshaw(transmitted, x), clenshaw(pathWeighted, x)};
}

SphereSeries sphereSeries(double radius, double mu, double relative) {
  // Chebyshev-Lobatto points x_k = cos(pi k / N) in x = 2theta / 90 - 1; N
  // doubles until the last terms are negligible, keeping every value found.
  std::vector<SphereMoments> f;  // at x_k for the current N
  SphereSeries s;
  for (int N = 16;; N *= 2) {
    std::vector<SphereMoments> g(static_cast<std::size_t>(N) + 1);
    for (int k = 0; k <= N; ++k) {
      if (k % 2 == 0 && !f.empty()) {
        g[static_cast<std::size_t>(k)] = f[static_cast<std::size_t>(k / 2)];
      } else {
        const double x = std::cos(std::numbers::pi * k / N);
        g[static_cast<std::size_t>(k)] = sphereMoments(radius, mu, 90.0 * (x + 1.0), relative / 10.0);
      }
    }
    f.swap(g);
    s.transmitted.assign(static_cast<std::size_t>(N) + 1, 0.0);
    s.pathWeighted.assign(static_cast<std::size_t>(N) + 1, 0.0);
    for (int j = 0; j <= N; ++j) {
      double c0 = 0.0, c1 = 0.0;
      for (int k = 0; k <= N; ++k) {
        const double w = (k == 0 || k == N ? 0.5 : 1.0) * std::cos(std::numbers::pi * j * k / N);
        c0 += f[static_cast<std::size_t>(k)].transmitted * w;
        c1 += f[static_cast<std::size_t>(k)].pathWeighted * w;
      }
      const double last = j == N ? 0.5 : 1.0;
      s.transmitted[static_cast<std::size_t>(j)] = last * 2.0 * c0 / N;
      s.pathWeighted[static_cast<std::size_t>(j)] = last * 2.0 * c1 / N;
    }
    // Converged when the last terms are below the tolerance against the
    // smallest value.
    double smallest = 1e300, smallestPath = 1e300, tail = 0.0, tailPath = 0.0;
    for (const auto& m : f) {
      smallest = std::min(smallest, m.transmitted);
      smallestPath = std::min(smallestPath, m.pathWeighted);
    }
    for (int j = N - 2; j <= N; ++j) {
      tail += std::fabs(s.transmitted[static_cast<std::size_t>(j)]);
      tailPath += std::fabs(s.pathWeighted[static_cast<std::size_t>(j)]);
    }
    if ((tail <= relative * smallest && tailPath <= relative * smallestPath) || N >= 128) return s;
  }
}

}  // namespace korvex::exact
