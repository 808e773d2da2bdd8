// Face table from the model cards.
#include "model/faces.hpp"

#include <cmath>
#include <string>

#include "fixedformat/edit_list.hpp"
#include "fixedformat/input.hpp"
#include "run/messages.hpp"

namespace korvex {
namespace {

const ff::EditList kFaceCardError("('ERROR READING CARD ',I2,' OF FACE CARDS: ',3X,A80)");
const ff::EditList kCornerCardError("('ERROR READING CARD ',I3,' OF CORNER CARDS: ',3X,A80)");
const ff::EditList kDuplicateCorners("(' DUPLICATE CORNERS NOS ',3I6)");
const ff::EditList kZeroHkl("('FACE CARD ',I3,' HAS H = K = L = 0: IT GIVES NO FACE PLANE')");
const ff::EditList kPointsInLine("('THE THREE POINTS OF FACE CARD ',I3,' LIE ON ONE LINE: THEY GIVE NO FACE PLANE')");

constexpr char kNoUb[] = "UB MATRIX NOT PRESENT: NEEDED TO INTEPRET HKL CARDS";
constexpr char kTooManyFaceCards[] = "MORE THAN 100 FACE CARDS IN CRYSTAL MODEL: 100 IS THE MAX ALLOWED";
constexpr char kTooManyCornerFaces[] =
    "MORE THAN 100 FACES FOUND FROM CORNERS OF CRYSTAL MODEL: 100 IS THE MAX ALLOWED";
constexpr char kTooManyCorners[] = "TOO MANY CORNERS IN CRYSTAL MODEL: LIMIT IS 200";

// Below this the largest plane coefficient means the three points coincide
// or lie on one line.
constexpr float kDegeneratePlane = 1.0e-5f;
// A corner this far on the outer side of a plane (plane value) puts the
// plane through the crystal.
constexpr float kOutsideCorner = -0.001f;
// Relative tolerance for two planes from corners being the same face.
constexpr float kRepeatTolerance = 0.05f;

std::string cardText(const ExperimentState& e, int n) { return ff::padded(e.MODELCARDS[n], 80); }

void checkFaceCardCount(const ExperimentState& e) {
  if (e.NFACES > kMaxFaces) error(kTooManyFaceCards);
}

// Divides the plane by its largest coefficient (with its sign).
void scaleByLargest(Plane& plane) {
  const float s = plane[largestCoefficient(plane)];
  for (float& c : plane) c = c / s;
}

bool sameFace(const Plane& a, const Plane& b) {
  for (int c = 0; c < 4; ++c) {
    if (std::fabs(a[c] - b[c]) > kRepeatTolerance * std::fabs((a[c] + b[c]) / 2.0f)) return false;
  }
  return true;
}

}  // namespace

Plane planeThroughPoints(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
  const float x1 = p1[0], y1 = p1[1], z1 = p1[2];
  const float x2 = p2[0], y2 = p2[1], z2 = p2[2];
  const float x3 = p3[0], y3 = p3[1], z3 = p3[2];
  Plane f{};
  f[0] = (y1 * (z2 - z3) + y2 * (z3 - z1)) + y3 * (z1 - z2);
  f[1] = (z1 * (x2 - x3) + z2 * (x3 - x1)) + z3 * (x1 - x2);
  f[2] = (x1 * (y2 - y3) + x2 * (y3 - y1)) + x3 * (y1 - y2);
  f[3] = -((x1 * (y2 * z3 - z2 * y3) - x2 * (y1 * z3 - z1 * y3)) + x3 * (y1 * z2 - z1 * y2));
  return f;
}

int largestCoefficient(const Plane& plane) {
  int best = 0;
  for (int c = 1; c < 4; ++c) {
    if (std::fabs(plane[c]) > std::fabs(plane[best])) best = c;
  }
  return best;
}

void readHkl(ExperimentState& e) {
  if (e.NUB != 3) error(kNoUb);
  checkFaceCardCount(e);
  for (int n = 0; n < e.NFACES; ++n) {
    // Every card must give all four numbers; a short card is refused rather
    // than left to take numbers from the card before it.
    int h = 0, k = 0, l = 0;
    float d = 0.0f;
    ff::ListReader reader(e.MODELCARDS[n]);
    if (reader.readAll(h, k, l, d) != ff::ReadStatus::Ok) {
      error(kFaceCardError.text({n + 1, cardText(e, n)}));
    }
    if (h == 0 && k == 0 && l == 0) error(kZeroHkl.text({n + 1}));
    const float hkl[3] = {static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
    Vec3 v{};
    for (int i = 0; i < 3; ++i) {
      v[i] = (e.UB[i][0] * hkl[0] + e.UB[i][1] * hkl[1]) + e.UB[i][2] * hkl[2];
    }
    const float s = std::sqrt((v[0] * v[0] + v[1] * v[1]) + v[2] * v[2]);
    e.FACE[n] = {v[0] / s, v[1] / s, v[2] / s, -d};
  }
  e.CENTRE = {0.0f, 0.0f, 0.0f};
}

void readXyzFace(ExperimentState& e) {
  checkFaceCardCount(e);
  for (int n = 0; n < e.NFACES; ++n) {
    float v[9] = {};
    ff::ListReader reader(e.MODELCARDS[n]);
    if (reader.readAll(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]) != ff::ReadStatus::Ok) {
      error(kFaceCardError.text({n + 1, cardText(e, n)}));
    }
    const Vec3 p[3] = {{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
    for (int m = 0; m < 3; ++m) {
      for (int a = 0; a < 3; ++a) {
        if (n == 0 && m == 0) {
          e.BOXMIN[a] = p[m][a];
          e.BOXMAX[a] = p[m][a];
        } else {
          if (p[m][a] < e.BOXMIN[a]) e.BOXMIN[a] = p[m][a];
          if (p[m][a] > e.BOXMAX[a]) e.BOXMAX[a] = p[m][a];
        }
      }
    }
    Plane f = planeThroughPoints(p[0], p[1], p[2]);
    if (std::fabs(f[largestCoefficient(f)]) < kDegeneratePlane) error(kPointsInLine.text({n + 1}));
    scaleByLargest(f);
    e.FACE[n] = f;
  }
  for (int a = 0; a < 3; ++a) e.CENTRE[a] = (e.BOXMIN[a] + e.BOXMAX[a]) / 2.0f;
}

void readXyzCorner(ExperimentState& e) {
  if (e.NCORNERS > kMaxCorners) error(kTooManyCorners);
  const int nc = e.NCORNERS;
  for (int m = 0; m < nc; ++m) {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    ff::ListReader reader(e.MODELCARDS[m]);
    if (reader.readAll(x, y, z) != ff::ReadStatus::Ok) {
      error(kCornerCardError.text({m + 1, cardText(e, m)}));
    }
    e.CORNER[m] = {x, y, z};
  }

  Vec3 sum{0.0f, 0.0f, 0.0f};
  for (int m = 0; m < nc; ++m) {
    for (int a = 0; a < 3; ++a) sum[a] += e.CORNER[m][a];
  }
  if (nc > 0) {
    for (int a = 0; a < 3; ++a) e.CENTRE[a] = sum[a] / static_cast<float>(nc);
  }

  e.NFACES = 0;
  for (int i = 0; i < nc - 2; ++i) {
    for (int j = i + 1; j < nc - 1; ++j) {
      for (int k = j + 1; k < nc; ++k) {
        Plane f = planeThroughPoints(e.CORNER[i], e.CORNER[j], e.CORNER[k]);
        if (std::fabs(f[largestCoefficient(f)]) < kDegeneratePlane) {
          error(kDuplicateCorners.text({i + 1, j + 1, k + 1}));
        }
        scaleByLargest(f);
        if (planeValue(f, e.CENTRE) < 0.0f) {
          for (float& c : f) c = -c;
        }
        bool cuts = false;
        for (int m = 0; m < nc && !cuts; ++m) cuts = planeValue(f, e.CORNER[m]) < kOutsideCorner;
        if (cuts) continue;
        bool repeat = false;
        for (int g = 0; g < e.NFACES && !repeat; ++g) repeat = sameFace(e.FACE[g], f);
        if (repeat) continue;
        if (e.NFACES == kMaxFaces) error(kTooManyCornerFaces);
        e.FACE[e.NFACES] = f;
        ++e.NFACES;
      }
    }
  }
}

}  // namespace korvex
