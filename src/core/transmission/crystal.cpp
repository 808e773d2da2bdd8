// Gaussian integration of the crystal transmission (Burnham, 1966).
#include "transmission/crystal.hpp"

#include <array>
#include <cmath>

#include "experiment/experiment_state.hpp"
#include "run/messages.hpp"
#include "transmission/face_search.hpp"
#include "transmission/gasket.hpp"

namespace korvex {

namespace {

constexpr char kNoGrid[] = "INTEGRATION GRID NOT BUILT FOR THE CRYSTAL MODEL";

}  // namespace

void requireGrid(const ExperimentState& e, bool withFaces) {
  for (int a = 0; a < 3; ++a) {
    if (e.NGRID[a] < 1 || e.NGRID[a] > kMaxGrid) error(kNoGrid);
  }
  if (withFaces) {
    if (e.NFACES < 1 || e.NFACES > kMaxFaces) error(kNoGrid);
    const std::size_t need = static_cast<std::size_t>(e.NGRID[0]) * static_cast<std::size_t>(e.NGRID[1]) *
                             static_cast<std::size_t>(e.NGRID[2]) * static_cast<std::size_t>(e.NFACES);
    if (e.FDIST.size() < need) error(kNoGrid);
  }
}

void korvex(const ExperimentState& e, const ReflectionBeams& r, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  requireGrid(e, true);

  startSums(tr, 0.0f);
  int illum = 1;
  if (e.GASKGIVEN == 1) illum = checkShadow(e, r);

  const int nf = e.NFACES;
  std::array<float, kMaxFaces> doti{};
  std::array<float, kMaxFaces> dotd{};
  faceProducts(e, r.DCI, doti.data());
  faceProducts(e, r.DCD, dotd.data());

  const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
  std::array<float, kMaxGrid> ti{};
  std::array<float, kMaxGrid> td{};
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      // Distance to the surface along each beam for the points of this
      // z-line: the nearest face ahead of the point (positive distance,
      // beyond 1.0E-5 microns) among those the beam is not parallel to.
      // The face values of one line lie contiguous for each face.
      ti.fill(kNoExit);
      td.fill(kNoExit);
      for (int n = 0; n < nf; ++n) {
        const float* fd = &e.FDIST[fdistIndex(e, i, j, 0, n)];
        const float di = doti[n];
        if (std::fabs(di) > 1.0e-6f) {
          for (int k = 0; k < nz; ++k) {
            const float p = fd[k] / di;
            ti[k] = p > 1.0e-5f && p < ti[k] ? p : ti[k];
          }
        }
        const float dd = dotd[n];
        if (std::fabs(dd) > 1.0e-6f) {
          for (int k = 0; k < nz; ++k) {
            const float p = fd[k] / dd;
            td[k] = p > 1.0e-5f && p < td[k] ? p : td[k];
          }
        }
      }

      for (int k = 0; k < nz; ++k) {
        const float t = ti[k] + td[k];
        const float w = e.WX[i] * e.WY[i][j] * e.WZ[i][j][k];
        const float ew = std::exp(-e.ABSCO * t) * w;
        tr.SUMTP = tr.SUMTP - t * ew;
        tr.TXTAL = tr.TXTAL + ew;

        const Vec3 P{e.XG[i], e.YG[i][j], e.ZG[i][j][k]};
        GasketPaths gasket;  // unshadowed: G = 1, no path in the gasket
        if (illum != 1) {
          gasket = gasketAbs(e, r, P);
          tr.TGAS = tr.TGAS + w * gasket.G;
        }
        float M = 1.0f;
        if (e.MEDIAABS == 1) {
          M = absMedia(e, r, P, t, gasket, out.messages);
          tr.TMED = tr.TMED + w * M;
        }
        tr.TRANS = tr.TRANS + ew * gasket.G * M;
      }
    }
  }

  finishPolyhedronSums(e, illum, tr);
}

void korvexFillg(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  requireGrid(e, false);

  startSums(tr, 1.0f);

  const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      for (int k = 0; k < nz; ++k) {
        const Vec3 P{e.XG[i], e.YG[i][j], e.ZG[i][j][k]};
        // A beam nearly parallel to the culets: the point is taken as
        // obscured (it still counts in VOLUME).
        const CuletExits exits = ishadow(e, b, P);
        if (exits.code == kShadowGrazing) continue;
        const float L = exits.PLANEI + exits.PLANED;
        const GasketPaths gasket = gasketAbs(e, b, P);
        const float G = gasket.G;

        const float w = e.WX[i] * e.WY[i][j] * e.WZ[i][j][k];
        float ew = w;
        if (e.CRYSABS != 0) {
          // The crystal is the hole's content: each beam's way to its culet
          // plane less the part that runs inside the gasket.
          const float t = L - gasket.GPATHI - gasket.GPATHD;
          ew = std::exp(-e.ABSCO * t) * w;
          tr.SUMTP = tr.SUMTP - t * ew;
          tr.TXTAL = tr.TXTAL + ew;
        }
        tr.TGAS = tr.TGAS + w * G;
        tr.TRANS = tr.TRANS + ew * G;
      }
    }
  }

  finishFilledHoleSums(e, tr);
}

void faceProducts(const ExperimentState& e, const Vec3& beam, float* dots) {
  for (int n = 0; n < e.NFACES; ++n)
    dots[n] = e.FACE[n][0] * beam[0] + e.FACE[n][1] * beam[1] + e.FACE[n][2] * beam[2];
}

void startSums(TransmissionState& tr, float tmed) {
  tr.TXTAL = 0.0f;
  tr.SUMTP = 0.0f;
  tr.TRANS = 0.0f;
  tr.TGAS = 0.0f;
  tr.TMED = tmed;
}

namespace {

void finishCrystalSums(const ExperimentState& e, TransmissionState& tr) {
  if (e.CRYSABS == 1) {
    tr.TXTAL = tr.TXTAL / e.VOLUME;
    tr.SUMTP = tr.SUMTP / e.VOLUME;
  } else {
    tr.TXTAL = 1.0f;
    tr.SUMTP = 1.0f;
  }
}

}  // namespace

void finishPolyhedronSums(const ExperimentState& e, int illum, TransmissionState& tr) {
  tr.TRANS = tr.TRANS / e.VOLUME;
  finishCrystalSums(e, tr);
  if (e.DACTYPE != 0) {
    tr.TGAS = illum == 1 ? 1.0f : tr.TGAS / e.VOLUME;
    tr.TMED = e.MEDIAABS == 1 ? tr.TMED / e.VOLUME : 1.0f;
  }
}

void finishFilledHoleSums(const ExperimentState& e, TransmissionState& tr) {
  finishCrystalSums(e, tr);
  tr.TGAS = tr.TGAS / e.VOLUME;
  tr.TRANS = tr.TRANS / e.VOLUME;
}

}  // namespace korvex
