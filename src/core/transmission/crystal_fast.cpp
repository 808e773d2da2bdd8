// Fast crystal integrations with the bits of the reference loops. Each grid
// line is done in passes: the nearest faces of all its points at once; then,
// point by point in order, what can raise a message or a fault (the gasket
// paths, the medium paths); then the exponentials of the line at once; then
// the sums, point by point in their order.
#include "transmission/crystal_fast.hpp"

#include <array>
#include <cmath>
#include <exception>
#include <vector>

#include "transmission/crystal.hpp"
#include "transmission/exp_lanes.hpp"
#include "transmission/face_search.hpp"
#include "transmission/gasket.hpp"
#include "transmission/gasket_line.hpp"

namespace korvex {

namespace {

using LineArray = std::array<float, kMaxGrid>;

// The exponentials of a line: crystal, gasket and medium, side by side so
// that one call takes them all.
enum Factor { kCrystal = 0, kGasket = 1, kMedium = 2 };
struct LineExponentials {
  std::array<float, 3 * kMaxGrid> arg{}, value{};
  float* args(Factor f) { return arg.data() + f * kMaxGrid; }
  const float* values(Factor f) const { return value.data() + f * kMaxGrid; }
  // exp of the first n arguments of the factors first..last.
  void take(Factor last, int n) {
    if (n == kMaxGrid) {
      expLanes(arg.data(), value.data(), (last + 1) * kMaxGrid);
      return;
    }
    for (int f = 0; f <= last; ++f) expLanes(arg.data() + f * kMaxGrid, value.data() + f * kMaxGrid, n);
  }
};

// The gasket along a line: the paths of the shadowed points, point by point
// in order, and whether G is 1, 0, or an exponential. A fault at a point
// stops the paths there; `fault` holds it, and `count` the points before it.
struct LineGasket {
  LineArray G{}, pathI{}, pathD{};
  std::array<int, kMaxGrid> absorbing{};  // 1 where G is an exponential
  int count = 0;
  std::exception_ptr fault;

  void find(GasketLine& line, float x, float y, const float* z, const int* code, int n) {
    fault = nullptr;
    for (count = 0; count < n; ++count) {
      // Most points see the hole clear: no path, G = 1.
      if (code[count] == kShadowNone) {
        absorbing[count] = 0;
        G[count] = 1.0f;
        pathI[count] = pathD[count] = 0.0f;
        continue;
      }
      GasketPaths p;
      try {
        absorbing[count] = line.paths({x, y, z[count]}, code[count], p) == GasketLine::Kind::Absorbing ? 1 : 0;
      } catch (...) {
        fault = std::current_exception();
        return;
      }
      G[count] = p.G;
      pathI[count] = p.GPATHI;
      pathD[count] = p.GPATHD;
    }
  }
  void arguments(float mu, float* arg, int n) const {
    const float negMu = -mu;
    for (int k = 0; k < n; ++k) arg[k] = negMu * (pathI[k] + pathD[k]);
  }
  void exponentials(const float* value, int n) {
    for (int k = 0; k < n; ++k) {
      const float v = value[k], g = G[k];
      G[k] = absorbing[k] != 0 ? v : g;
    }
  }
};

// The medium along a line (ABS_MEDIA at every point): M is 0 where a beam
// grazes the culets or runs into an opaque gasket, 1 where the path in the
// medium came out below -0.5 micron (noted, point by point in order), else
// the exponential of -MUMEDIA times the path.
struct LineMedium {
  LineArray M{}, pm{};
  LineArray way{};  // each point's way to the culets outside the gasket
  std::array<int, kMaxGrid> zero{};  // 1 where M is 0 (ints, so that the loops run several points at a time)

  void paths(const ExperimentState& e, const GasketLine& line, const int* code, const LineGasket& gasket,
             bool shadows, const float* t, float* arg, int n, std::vector<TransmissionMessage>& messages) {
    const float planes = line.planeI() + line.planeD();
    const float negMu = -e.MUMEDIA;
    const bool opaque = e.GASKOPAQUE == 1;
    if (shadows) {
      for (int k = 0; k < n; ++k) way[k] = planes - gasket.pathI[k] - gasket.pathD[k];
    } else {
      for (int k = 0; k < n; ++k) way[k] = planes - 0.0f - 0.0f;
    }
    int faults = 0;
    for (int k = 0; k < n; ++k) {
      const float path = way[k] - t[k];
      pm[k] = path;
      arg[k] = negMu * path;
      zero[k] = (code[k] == kShadowGrazing) | (opaque & (code[k] != kShadowNone));
      faults |= path < -0.5f ? 1 : 0;
    }
    if (faults != 0) {
      for (int k = 0; k < n; ++k)
        if (!zero[k] && pm[k] < -0.5f) messages.push_back({TransmissionMessage::Kind::MediumPath, pm[k], {}});
    }
  }
  void exponentials(const float* value, int n) {
    for (int k = 0; k < n; ++k) {
      const float v = value[k];
      const float m = pm[k] < -0.5f ? 1.0f : v;
      M[k] = zero[k] != 0 ? 0.0f : m;
    }
  }
};

}  // namespace

void polyhedronFast(const ExperimentState& e, const ReflectionBeams& r, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  requireGrid(e, true);

  startSums(tr, 0.0f);
  int illum = 1;
  if (e.GASKGIVEN == 1) illum = checkShadow(e, r);
  const bool shadows = illum != 1;
  const bool medium = e.MEDIAABS == 1;
  // With neither gasket nor medium at any point, every term of TRANS is the
  // term of TXTAL times 1 times 1: the two sums are the same sum.
  const bool crystalOnly = !shadows && !medium;

  std::array<float, kMaxFaces> doti{};
  std::array<float, kMaxFaces> dotd{};
  faceProducts(e, r.DCI, doti.data());
  faceProducts(e, r.DCD, dotd.data());

  const ExitFaces incidentExits = exitFaces(e, doti.data());
  const ExitFaces diffractedExits = exitFaces(e, dotd.data());

  GasketLine line(e, r);
  LineGasket gasket;
  LineExponentials ex;
  LineMedium mediumLine;
  std::array<int, kMaxGrid> code{};
  const float negMu = -e.ABSCO;
  const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
  // Per point of the line: the paths to the surface and their sum, the
  // weight, and the terms of the sums.
  LineArray ti{}, td{}, t{}, w{}, ew{}, tew{}, wG{}, wM{}, ewGM{};
  const LineArray& M = mediumLine.M;
  mediumLine.M.fill(1.0f);
  gasket.G.fill(1.0f);
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      nearestFaces(&e.FDIST[fdistIndex(e, i, j, 0, 0)], nz, incidentExits, diffractedExits, ti.data(), td.data());
      const float wxy = e.WX[i] * e.WY[i][j];
      const auto& wz = e.WZ[i][j];
      float* crystalArg = ex.args(kCrystal);
      for (int k = 0; k < nz; ++k) {
        t[k] = ti[k] + td[k];
        crystalArg[k] = negMu * t[k];
        w[k] = wxy * wz[k];
      }

      if (crystalOnly) {
        ex.take(kCrystal, nz);
        const float* e0 = ex.values(kCrystal);
        for (int k = 0; k < nz; ++k) {
          ew[k] = e0[k] * w[k];
          tew[k] = t[k] * ew[k];
        }
        for (int k = 0; k < nz; ++k) {
          tr.SUMTP = tr.SUMTP - tew[k];
          tr.TXTAL = tr.TXTAL + ew[k];
        }
        continue;
      }

      // Gasket paths, then medium paths in point order: the medium notes of
      // the points before a gasket fault come ahead of it.
      const auto& z = e.ZG[i][j];
      line.start(e.XG[i], e.YG[i][j]);
      line.codes(z.data(), nz, code.data());
      int reached = nz;
      if (shadows) {
        gasket.find(line, e.XG[i], e.YG[i][j], z.data(), code.data(), nz);
        reached = gasket.count;
        gasket.arguments(e.GASKETMU, ex.args(kGasket), nz);
      }
      if (medium)
        mediumLine.paths(e, line, code.data(), gasket, shadows, t.data(), ex.args(kMedium), reached, out.messages);
      if (gasket.fault) std::rethrow_exception(gasket.fault);

      ex.take(medium ? kMedium : kGasket, nz);
      if (shadows) gasket.exponentials(ex.values(kGasket), nz);
      if (medium) mediumLine.exponentials(ex.values(kMedium), nz);
      // The terms of every sum first, then the sums in point order.
      const float* e0 = ex.values(kCrystal);
      const LineArray& G = gasket.G;
      for (int k = 0; k < nz; ++k) {
        ew[k] = e0[k] * w[k];
        tew[k] = t[k] * ew[k];
        wG[k] = w[k] * G[k];
        wM[k] = w[k] * M[k];
        ewGM[k] = ew[k] * G[k] * M[k];
      }
      for (int k = 0; k < nz; ++k) {
        tr.SUMTP = tr.SUMTP - tew[k];
        tr.TXTAL = tr.TXTAL + ew[k];
        if (shadows) tr.TGAS = tr.TGAS + wG[k];
        if (medium) tr.TMED = tr.TMED + wM[k];
        tr.TRANS = tr.TRANS + ewGM[k];
      }
    }
  }
  if (crystalOnly) tr.TRANS = tr.TXTAL;
  finishPolyhedronSums(e, illum, tr);
}

void filledHoleFast(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  requireGrid(e, false);

  startSums(tr, 1.0f);

  // Beams nearly parallel to the culets obscure every point: nothing is
  // summed (the points still count in VOLUME).
  if (!grazing(b)) {
    GasketLine line(e, b);
    LineGasket gasket;
    LineExponentials ex;
    std::array<int, kMaxGrid> code{};
    LineArray t{};
    const float negMu = -e.ABSCO;
    const bool absorbs = e.CRYSABS != 0;
    const int nx = e.NGRID[0], ny = e.NGRID[1], nz = e.NGRID[2];
    for (int i = 0; i < nx; ++i) {
      for (int j = 0; j < ny; ++j) {
        const auto& z = e.ZG[i][j];
        const auto& wz = e.WZ[i][j];
        line.start(e.XG[i], e.YG[i][j]);
        line.codes(z.data(), nz, code.data());
        gasket.find(line, e.XG[i], e.YG[i][j], z.data(), code.data(), nz);
        if (gasket.fault) std::rethrow_exception(gasket.fault);
        // The crystal is the hole's content: each beam's way to its culet
        // plane less the part that runs inside the gasket.
        const float L = line.planeI() + line.planeD();
        float* crystalArg = ex.args(kCrystal);
        for (int k = 0; k < nz; ++k) {
          t[k] = L - gasket.pathI[k] - gasket.pathD[k];
          crystalArg[k] = negMu * t[k];
        }
        gasket.arguments(e.GASKETMU, ex.args(kGasket), nz);
        ex.take(kGasket, nz);
        gasket.exponentials(ex.values(kGasket), nz);

        const float* e0 = ex.values(kCrystal);
        const float wxy = e.WX[i] * e.WY[i][j];
        for (int k = 0; k < nz; ++k) {
          const float w = wxy * wz[k];
          float ew = w;
          if (absorbs) {
            ew = e0[k] * w;
            tr.SUMTP = tr.SUMTP - t[k] * ew;
            tr.TXTAL = tr.TXTAL + ew;
          }
          tr.TGAS = tr.TGAS + w * gasket.G[k];
          tr.TRANS = tr.TRANS + ew * gasket.G[k];
        }
      }
    }
  }

  finishFilledHoleSums(e, tr);
}

}  // namespace korvex
