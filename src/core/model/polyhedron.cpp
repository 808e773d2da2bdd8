// Corners, edges and face listing of the crystal polyhedron.
#include "model/polyhedron.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "geometry/matrix_inversion.hpp"
#include "model/faces.hpp"
#include "reports/reports.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {
namespace {

const ff::EditList kFaceHeading("(/,/,5X,' EQUATIONS OF CRYSTAL FACES IN ',' BUSING-LEVY PHI-AXIS SYSTEM:',/)");
const ff::EditList kFaceLine("(4X,I2,':  (',F11.6,')X + (',F11.6,')Y + (',F11.6,')Z + (',F11.6,') = 0')");
const ff::EditList kHklHeading(
    "(/,/,5X,' EQUATIONS OF CRYSTAL FACES AS HKL AND DISTANCE:',/,15X,'H',9X,'K',9X,'L',5X,'DISTANCE (MM)')");
const ff::EditList kHklLine("(4X,I2,':  ',F10.5,F10.5,F10.5,F10.5)");
const ff::EditList kCornerHeading(
    "(/,/,4X,'CORNERS OF CRYSTAL FOUND BY CALCULATION ARE - ',/,4X,'FACES',15X,"
    "'COORDINATES OF INTERSECTION',/)");
const ff::EditList kCornerLine("(I4,I4,I4,F13.3,F13.3,F13.3,5X,A3)");
const ff::EditList kEdgeHeading("(/,/,10X,'THE FOLLOWING PAIRS OF PLANES FORM THE ',I3,' EDGES OF THE CRYSTAL:',/)");
const ff::EditList kEdgeLines("(9(3X,I2,' &',I2,','))");
const ff::EditList kTooFewFaces("('ONLY ',I1,' FACES FOUND FOR CRYSTAL: NEED 4 AS MINIMUM')");
const ff::EditList kTooManyFacesAtCorner("('MORE THAN 40 FACES MEET AT CORNER ',I3,' OF CRYSTAL MODEL: 40 IS THE MAX ALLOWED')");

constexpr char kTooManyCorners[] = "MORE THAN 200 CORNERS ON CRYSTAL MODEL: 200 IS THE MAX ALLOWED";
constexpr char kNoCorners[] = "NO CORNERS FOUND ON CRYSTAL MODEL";
constexpr char kTooManyEdges[] = "DIMENSION OF IEDGE EXCEEDED IN GETEDGES: CHECK VALIDITY OF CRYSTAL MODEL";

// Face values within this of zero count as on the face (scaled faces).
constexpr float kSurface = 0.001f;
// Corners closer than this in every coordinate (microns) are one corner.
constexpr float kSameCorner = 0.001f;
// Determinant below which three faces have no single common point.
constexpr double kSingularCorner = 1.0e-7;
// The face table is held multiplied by this after the listing.
constexpr float kFaceScale = 100.0f;

// Writes the experiment report, then stops with the message: the report
// shows what the model was built from.
[[noreturn]] void reportAndStop(Run& run, const std::string& message) {
  writeCrystalData(run);
  error(message);
}

int findInList(const CornerFaces& cf, int corner, int face) {
  for (int a = 0; a < cf.NCFACE[corner]; ++a) {
    if (cf.ICFACE[corner][a] == face) return a;
  }
  return -1;
}

}  // namespace

bool getCorner(const ExperimentState& e, int i, int j, int k, Vec3& p) {
  const int rows[3] = {i, j, k};
  Mat3d m{};
  std::array<double, 3> b{};
  for (int r = 0; r < 3; ++r) {
    const auto& f = e.FACE[rows[r]];
    m[r] = {static_cast<double>(f[0]), static_cast<double>(f[1]), static_cast<double>(f[2])};
    b[r] = -static_cast<double>(f[3]);
  }
  Mat3d inv{};
  double det = 0.0;
  int ier = 0;
  minv38(m, inv, kSingularCorner, det, ier);
  if (ier != 0) return false;
  for (int r = 0; r < 3; ++r) {
    // Summed from zero, so that a corner on a plane through the origin gets
    // +0 (a sum of negative zeros would list as -0.000).
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) sum += inv[r][c] * b[c];
    p[r] = static_cast<float>(sum);
  }
  return true;
}

int inCrystal(const ExperimentState& e, const Vec3& p) {
  bool onFace = false;
  for (int f = 0; f < e.NFACES; ++f) {
    const float s = planeValue(e.FACE[f], p);
    if (s < -kSurface) return -1;
    if (s < kSurface) onFace = true;
  }
  return onFace ? 0 : 1;
}

void roundHkl(std::array<float, 3>& h) {
  float amax = 0.0f;
  for (float v : h) amax = std::fmax(amax, std::fabs(v));
  float amin = amax;
  for (float v : h) {
    const float a = std::fabs(v);
    if (a > 0.01f && a < amin) amin = a;
  }
  for (float& v : h) v = v / amin;
}

void xyzToHkl(ExperimentState& e) {
  for (int f = 0; f < e.NFACES; ++f) {
    const Vec3 n{-e.FACE[f][0], -e.FACE[f][1], -e.FACE[f][2]};
    const float s = std::sqrt((n[0] * n[0] + n[1] * n[1]) + n[2] * n[2]);
    const Vec3 u{n[0] / s, n[1] / s, n[2] / s};
    std::array<float, 3> h{};
    for (int i = 0; i < 3; ++i) {
      h[i] = (e.UBTINV[0][i] * u[0] + e.UBTINV[1][i] * u[1]) + e.UBTINV[2][i] * u[2];
    }
    // D over |n| is the distance in microns: the factor 100 of the scaled
    // face cancels.
    const float distance = e.FACE[f][3] / s / 1000.0f;
    roundHkl(h);
    e.HKLD[f] = {h[0], h[1], h[2], distance};
  }
}

void getEdges(Run& run, const CornerFaces& cf) {
  ExperimentState& e = run.exp;
  e.NEDGES = 0;
  // For each face of m1's list in turn, every later corner that also has it
  // and one more face after it in m1's list shares an edge with m1: the
  // edge is named by that face and the first later one the two share. The
  // faces are looked up anywhere in m2's list, so an edge is not missed when
  // a list is not in ascending order.
  for (int m1 = 0; m1 < e.NCORNERS; ++m1) {
    for (int a = 0; a < cf.NCFACE[m1] - 1; ++a) {
      for (int m2 = m1 + 1; m2 < e.NCORNERS; ++m2) {
        if (findInList(cf, m2, cf.ICFACE[m1][a]) < 0) continue;
        for (int c = a + 1; c < cf.NCFACE[m1]; ++c) {
          if (findInList(cf, m2, cf.ICFACE[m1][c]) < 0) continue;
          if (e.NEDGES == kMaxEdges) reportAndStop(run, kTooManyEdges);
          e.IEDGE[e.NEDGES] = {cf.ICFACE[m1][a], cf.ICFACE[m1][c]};
          ++e.NEDGES;
          break;
        }
      }
    }
  }
  run.files.print.write(kEdgeHeading, {e.NEDGES});
  std::vector<ff::Value> pairs;
  for (int n = 0; n < e.NEDGES; ++n) {
    pairs.emplace_back(e.IEDGE[n][0]);
    pairs.emplace_back(e.IEDGE[n][1]);
  }
  if (!pairs.empty()) run.files.print.records(kEdgeLines.records(pairs));
}

void getFaces(Run& run) {
  ExperimentState& e = run.exp;
  auto& print = run.files.print;

  switch (e.MODELTYPE) {
    case 1: readHkl(e); break;
    case 2: readXyzFace(e); break;
    case 3: readXyzCorner(e); break;
    default: break;
  }

  if (e.NFACES < 4) reportAndStop(run, kTooFewFaces.text({e.NFACES}));

  print.write(kFaceHeading, {});
  for (int f = 0; f < e.NFACES; ++f) {
    auto& face = e.FACE[f];
    if (planeValue(face, e.CENTRE) < 0.0f) {
      for (float& c : face) c = -c;
    }
    print.write(kFaceLine, {f + 1, face[0], face[1], face[2], face[3]});
    for (float& c : face) c = c * kFaceScale;
  }

  if (e.NUB != 0) {
    xyzToHkl(e);
    print.write(kHklHeading, {});
    for (int f = 0; f < e.NFACES; ++f) {
      const auto& h = e.HKLD[f];
      print.write(kHklLine, {f + 1, h[0], h[1], h[2], h[3]});
    }
  }

  print.write(kCornerHeading, {});
  CornerFaces cf;
  e.NCORNERS = 0;
  for (int i = 0; i < e.NFACES - 2; ++i) {
    for (int j = i + 1; j < e.NFACES - 1; ++j) {
      for (int k = j + 1; k < e.NFACES; ++k) {
        Vec3 p{};
        if (!getCorner(e, i, j, k, p)) continue;
        if (inCrystal(e, p) != 0) continue;
        int match = -1;
        for (int m = 0; m < e.NCORNERS; ++m) {
          if (std::fabs(p[0] - e.CORNER[m][0]) < kSameCorner && std::fabs(p[1] - e.CORNER[m][1]) < kSameCorner &&
              std::fabs(p[2] - e.CORNER[m][2]) < kSameCorner) {
            match = m;
          }
        }
        print.write(kCornerLine, {i + 1, j + 1, k + 1, p[0], p[1], p[2], match < 0 ? "NEW" : "OLD"});
        if (match < 0) {
          if (e.NCORNERS == kMaxCorners) reportAndStop(run, kTooManyCorners);
          const int m = e.NCORNERS++;
          e.CORNER[m] = p;
          cf.ICFACE[m][0] = i + 1;
          cf.ICFACE[m][1] = j + 1;
          cf.ICFACE[m][2] = k + 1;
          cf.NCFACE[m] = 3;
        } else {
          for (int face : {i + 1, j + 1, k + 1}) {
            if (findInList(cf, match, face) >= 0) continue;
            if (cf.NCFACE[match] == kMaxFacesAtCorner) {
              reportAndStop(run, kTooManyFacesAtCorner.text({match + 1}));
            }
            cf.ICFACE[match][cf.NCFACE[match]++] = face;
          }
        }
      }
    }
  }

  if (e.NCORNERS == 0) reportAndStop(run, kNoCorners);

  getEdges(run, cf);

  e.BOXMIN = e.CORNER[0];
  e.BOXMAX = e.CORNER[0];
  for (int m = 1; m < e.NCORNERS; ++m) {
    for (int a = 0; a < 3; ++a) {
      e.BOXMIN[a] = std::fmin(e.BOXMIN[a], e.CORNER[m][a]);
      e.BOXMAX[a] = std::fmax(e.BOXMAX[a], e.CORNER[m][a]);
    }
  }
}

}  // namespace korvex
