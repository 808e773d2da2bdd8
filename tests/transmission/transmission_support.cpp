#include "transmission/transmission_support.hpp"

#include <cmath>

namespace korvex::test {

DoubleRule legendreRule(int n) {
  DoubleRule r;
  r.x.resize(n);
  r.w.resize(n);
  for (int i = 0; i < n; ++i) {
    double z = std::cos(M_PI * (i + 0.75) / (n + 0.5));
    double dp = 1.0;
    for (int it = 0; it < 200; ++it) {
      double p = 1.0, pm = 0.0;
      for (int m = 1; m <= n; ++m) {
        const double pmm = pm;
        pm = p;
        p = ((2.0 * m - 1.0) * z * pm - (m - 1.0) * pmm) / m;
      }
      dp = n * (z * p - pm) / (z * z - 1.0);
      const double dz = p / dp;
      z -= dz;
      if (std::fabs(dz) < 1e-15) break;
    }
    r.x[n - 1 - i] = z;
    r.w[n - 1 - i] = 2.0 / ((1.0 - z * z) * dp * dp);
  }
  return r;
}

void buildBox(ExperimentState& e, double a, double b, double c, int n, Vec3 centre) {
  const DoubleRule g = legendreRule(n);
  const double half[3] = {a / 2, b / 2, c / 2};
  e.NFACES = 6;
  for (int axis = 0; axis < 3; ++axis) {
    for (int s = 0; s < 2; ++s) {
      // Face at centre +- half: plane value 100 (half -+ (x - centre)) >= 0 inside.
      auto& f = e.FACE[static_cast<std::size_t>(2 * axis + s)];
      f = {0, 0, 0, 0};
      const double sign = s == 0 ? -1.0 : 1.0;
      f[axis] = static_cast<float>(100.0 * sign);
      f[3] = static_cast<float>(100.0 * (half[axis] - sign * centre[axis]));
    }
  }
  e.NGRID = {n, n, n};
  e.FDIST.assign(static_cast<std::size_t>(n * n * n * 6), 0.0f);
  e.fdistMax.clear();  // no summary of the face values: every face is searched
  e.fdistMin.clear();
  for (int i = 0; i < n; ++i) {
    e.XG[i] = static_cast<float>(centre[0] + half[0] * g.x[i]);
    e.WX[i] = static_cast<float>(half[0] * g.w[i]);
    for (int j = 0; j < n; ++j) {
      e.YG[i][j] = static_cast<float>(centre[1] + half[1] * g.x[j]);
      e.WY[i][j] = static_cast<float>(half[1] * g.w[j]);
      for (int k = 0; k < n; ++k) {
        e.ZG[i][j][k] = static_cast<float>(centre[2] + half[2] * g.x[k]);
        e.WZ[i][j][k] = static_cast<float>(half[2] * g.w[k]);
        for (int f = 0; f < 6; ++f) {
          const auto& F = e.FACE[static_cast<std::size_t>(f)];
          e.FDIST[fdistIndex(e, i, j, k, f)] =
              -(((F[0] * e.XG[i] + F[1] * e.YG[i][j]) + F[2] * e.ZG[i][j][k]) + F[3]);
        }
      }
    }
  }
  e.VOLUME = static_cast<float>(a * b * c);
  e.NCORNERS = 8;
  for (int m = 0; m < 8; ++m) {
    for (int axis = 0; axis < 3; ++axis) {
      const double s = (m >> axis) & 1 ? 1.0 : -1.0;
      e.CORNER[static_cast<std::size_t>(m)][axis] = static_cast<float>(centre[axis] + s * half[axis]);
    }
  }
}

void buildCylinder(ExperimentState& e, double r, double t, int n) {
  const DoubleRule g = legendreRule(n);
  e.NGRID = {n, n, n};
  e.GASKETR = static_cast<float>(r);
  e.GASKETT = static_cast<float>(t);
  double volume = 0.0;
  for (int i = 0; i < n; ++i) {
    const double x = r * g.x[i];
    e.XG[i] = static_cast<float>(x);
    e.WX[i] = static_cast<float>(r * g.w[i]);
    const double zmax = std::sqrt(r * r - x * x);
    for (int j = 0; j < n; ++j) {
      e.YG[i][j] = static_cast<float>(t / 2 + t / 2 * g.x[j]);
      e.WY[i][j] = static_cast<float>(t / 2 * g.w[j]);
      for (int k = 0; k < n; ++k) {
        e.ZG[i][j][k] = static_cast<float>(zmax * g.x[k]);
        e.WZ[i][j][k] = static_cast<float>(zmax * g.w[k]);
        volume += static_cast<double>(e.WX[i]) * e.WY[i][j] * e.WZ[i][j][k];
      }
    }
  }
  e.VOLUME = static_cast<float>(volume);
}

Vec3 unit(double x, double y, double z) {
  const double l = std::sqrt(x * x + y * y + z * z);
  return {static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
}

}  // namespace korvex::test
