#include "pictures/shadow_map.hpp"

#include <cmath>

#include "transmission/gasket.hpp"
#include "transmission/reflection_transmission.hpp"

namespace korvex::pictures {

namespace {

constexpr double kDegree = M_PI / 180.0;
constexpr float kGrazing = 0.174f;

// Whether a beam from p in direction d leaves the gasket layer through the
// hole, by the correction's own shadow test with both beams along d.
bool throughHole(const ExperimentState& e, const ReflectionBeams& beams, const Vec3& p) {
  return ishadow(e, beams, p).code == kShadowNone;
}

}  // namespace

bool hasShadowMap(const ExperimentState& e) {
  return e.GASKGIVEN == 1 && e.MODELTYPE != 0 && e.VOLUME > 0.0f && e.GASKETT > 0.0f;
}

Vec3 beamDirection(int anvil, double psi, double azimuth) {
  const double s = std::sin(psi * kDegree), c = std::cos(psi * kDegree);
  return {static_cast<float>(s * std::cos(azimuth * kDegree)), static_cast<float>(anvil == 1 ? -c : c),
          static_cast<float>(s * std::sin(azimuth * kDegree))};
}

MapPosition mapPosition(const Vec3& beam) {
  MapPosition m;
  m.anvil = beam[1] < 0.0f ? 1 : 2;
  const double radial = std::hypot(static_cast<double>(beam[0]), static_cast<double>(beam[2]));
  m.psi = std::atan2(radial, std::fabs(static_cast<double>(beam[1]))) / kDegree;
  m.azimuth = std::atan2(static_cast<double>(beam[2]), static_cast<double>(beam[0])) / kDegree;
  if (m.azimuth < 0) m.azimuth += 360;
  return m;
}

float illuminatedFraction(const ExperimentState& e, const Vec3& beam) {
  if (std::fabs(beam[1]) < kGrazing || !(e.VOLUME > 0.0f)) return 0.0f;
  const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
  const ReflectionBeams beams{beam, beam, 0.0f};
  double lit = 0;
  for (int i = 0; i < nx; ++i) {
    double sy = 0;
    for (int j = 0; j < ny; ++j) {
      double sz = 0;
      for (int k = 0; k < nz; ++k)
        if (throughHole(e, beams, {e.XG[i], e.YG[i][j], e.ZG[i][j][k]})) sz += e.WZ[i][j][k];
      sy += sz * e.WY[i][j];
    }
    lit += sy * e.WX[i];
  }
  return static_cast<float>(lit / e.VOLUME);
}

std::array<ShadowMap, 2> shadowMaps(const ExperimentState& e, int psiBins, int azimuthBins) {
  std::array<ShadowMap, 2> maps;
  for (int a = 0; a < 2; ++a) {
    ShadowMap& m = maps[a];
    m.anvil = a + 1;
    m.psiBins = psiBins;
    m.azimuthBins = azimuthBins;
    m.psiStep = 90.0 / psiBins;
    m.azimuthStep = 360.0 / azimuthBins;
    m.illuminated.assign(static_cast<std::size_t>(psiBins * azimuthBins), 0.0f);
    for (int i = 0; i < psiBins; ++i)
      for (int j = 0; j < azimuthBins; ++j)
        m.illuminated[static_cast<std::size_t>(i * azimuthBins + j)] =
            illuminatedFraction(e, beamDirection(m.anvil, (i + 0.5) * m.psiStep, (j + 0.5) * m.azimuthStep));
  }
  return maps;
}

}  // namespace korvex::pictures
