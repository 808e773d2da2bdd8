// Fast crystal integrations with the bits of the reference loops.
#include "transmission/crystal_fast.hpp"

#include <array>
#include <cmath>

#include "transmission/crystal.hpp"
#include "transmission/face_search.hpp"
#include "transmission/gasket.hpp"
#include "transmission/gasket_line.hpp"

namespace korvex {

void polyhedronFast(const ExperimentState& e, const ReflectionBeams& r, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  requireGrid(e, true);

  tr.TXTAL = 0.0f;
  tr.SUMTP = 0.0f;
  tr.TRANS = 0.0f;
  tr.TGAS = 0.0f;
  tr.TMED = 0.0f;
  int illum = 1;
  if (e.GASKGIVEN == 1) illum = checkShadow(e, r);
  // With neither gasket nor medium at any point, every term of TRANS is the
  // term of TXTAL times 1 times 1: the two sums are the same sum.
  const bool crystalOnly = illum == 1 && e.MEDIAABS != 1;

  const int nf = e.NFACES;
  std::array<float, kMaxFaces> doti{};
  std::array<float, kMaxFaces> dotd{};
  for (int n = 0; n < nf; ++n) {
    doti[n] = e.FACE[n][0] * r.DCI[0] + e.FACE[n][1] * r.DCI[1] + e.FACE[n][2] * r.DCI[2];
    dotd[n] = e.FACE[n][0] * r.DCD[0] + e.FACE[n][1] * r.DCD[1] + e.FACE[n][2] * r.DCD[2];
  }

  GasketLine line(e, r);
  const float negMu = -e.ABSCO;
  const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
  std::array<float, kMaxGrid> ti{}, td{}, t{}, ew{};
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      nearestFaces(&e.FDIST[fdistIndex(e, i, j, 0, 0)], nz, nf, doti.data(), dotd.data(), ti.data(), td.data());
      const float wxy = e.WX[i] * e.WY[i][j];
      const auto& wz = e.WZ[i][j];
      for (int k = 0; k < nz; ++k) {
        t[k] = ti[k] + td[k];
        ew[k] = std::exp(negMu * t[k]) * (wxy * wz[k]);
      }

      if (crystalOnly) {
        for (int k = 0; k < nz; ++k) {
          tr.SUMTP = tr.SUMTP - t[k] * ew[k];
          tr.TXTAL = tr.TXTAL + ew[k];
        }
        continue;
      }

      line.start(e.XG[i], e.YG[i][j]);
      for (int k = 0; k < nz; ++k) {
        tr.SUMTP = tr.SUMTP - t[k] * ew[k];
        tr.TXTAL = tr.TXTAL + ew[k];
        const float w = wxy * wz[k];
        const Vec3 P{e.XG[i], e.YG[i][j], e.ZG[i][j][k]};
        const CuletExits exits = line.exits(P[2]);
        GasketPaths gasket;  // unshadowed: G = 1, no path in the gasket
        if (illum != 1) {
          gasket = line.gasket(P, exits.code);
          tr.TGAS = tr.TGAS + w * gasket.G;
        }
        float M = 1.0f;
        if (e.MEDIAABS == 1) {
          M = absMediaAt(e, exits, t[k], gasket, out.messages);
          tr.TMED = tr.TMED + w * M;
        }
        tr.TRANS = tr.TRANS + ew[k] * gasket.G * M;
      }
    }
  }
  if (crystalOnly) tr.TRANS = tr.TXTAL;

  tr.TRANS = tr.TRANS / e.VOLUME;
  if (e.CRYSABS == 1) {
    tr.TXTAL = tr.TXTAL / e.VOLUME;
    tr.SUMTP = tr.SUMTP / e.VOLUME;
  } else {
    tr.TXTAL = 1.0f;
    tr.SUMTP = 1.0f;
  }
  if (e.DACTYPE != 0) {
    tr.TGAS = illum == 1 ? 1.0f : tr.TGAS / e.VOLUME;
    tr.TMED = e.MEDIAABS == 1 ? tr.TMED / e.VOLUME : 1.0f;
  }
}

void filledHoleFast(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  requireGrid(e, false);

  tr.TXTAL = 0.0f;
  tr.SUMTP = 0.0f;
  tr.TRANS = 0.0f;
  tr.TGAS = 0.0f;
  tr.TMED = 1.0f;

  // Beams nearly parallel to the culets obscure every point: nothing is
  // summed (the points still count in VOLUME).
  if (!grazing(b)) {
    GasketLine line(e, b);
    const float negMu = -e.ABSCO;
    const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
    for (int i = 0; i < nx; ++i) {
      for (int j = 0; j < ny; ++j) {
        line.start(e.XG[i], e.YG[i][j]);
        const float wxy = e.WX[i] * e.WY[i][j];
        for (int k = 0; k < nz; ++k) {
          const Vec3 P{e.XG[i], e.YG[i][j], e.ZG[i][j][k]};
          const CuletExits exits = line.exits(P[2]);
          const float L = exits.PLANEI + exits.PLANED;
          const GasketPaths gasket = line.gasket(P, exits.code);
          const float w = wxy * e.WZ[i][j][k];
          float ew = w;
          if (e.CRYSABS != 0) {
            const float t = L - gasket.GPATHI - gasket.GPATHD;
            ew = std::exp(negMu * t) * w;
            tr.SUMTP = tr.SUMTP - t * ew;
            tr.TXTAL = tr.TXTAL + ew;
          }
          tr.TGAS = tr.TGAS + w * gasket.G;
          tr.TRANS = tr.TRANS + ew * gasket.G;
        }
      }
    }
  }

  if (e.CRYSABS == 1) {
    tr.TXTAL = tr.TXTAL / e.VOLUME;
    tr.SUMTP = tr.SUMTP / e.VOLUME;
  } else {
    tr.TXTAL = 1.0f;
    tr.SUMTP = 1.0f;
  }
  tr.TGAS = tr.TGAS / e.VOLUME;
  tr.TRANS = tr.TRANS / e.VOLUME;
}

}  // namespace korvex
