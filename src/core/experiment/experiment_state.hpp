// The experiment state: everything the experiment file describes and the
// model build derives from it (cell and orientation, crystal model and its
// tables, cell contents, data restrictions, diamond-anvil cell).
//
// Arrays are 0-based in C++: element (i, j) of a table indexed from 1 in the
// crystallographic notation is [i-1][j-1] here. Printed numbers (face,
// corner, edge numbers) stay 1-based.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "exact/exact_model.hpp"

namespace korvex {

using Mat3 = std::array<std::array<float, 3>, 3>;  // Mat3[i][j] = M(i+1, j+1)
using Vec3 = std::array<float, 3>;

inline constexpr int kMaxFaceCards = 200;  // lines of MODELCARDS
inline constexpr int kMaxFaces = 100;
inline constexpr int kMaxCorners = 200;
inline constexpr int kMaxEdges = 200;
inline constexpr int kMaxFacesAtCorner = 40;
inline constexpr int kMaxGrid = 32;
inline constexpr int kMaxDacCurve = 100;
inline constexpr int kMaxStandards = 4;
inline constexpr int kElements = 92;

// A line of the experiment file that no card took: a misspelt keyword, a
// card shifted out of column 1, a note to oneself. It is ignored, as any
// unknown card is, but kept so that the user can be told and a typo does not
// pass unseen.
struct UnreadLine {
  int line = 0;      // line number in the file, from 1
  std::string text;  // the line as written, without its line end
};

struct ExperimentState {
  // --- Cell and orientation (UB maps hkl to the reciprocal vector in the
  // phi-axis frame; columns a*, b*, c*, in 1/Angstrom).
  std::array<int, 4> PARITY{};  // factors for 2theta, omega, chi, phi
  std::array<int, 3> BLAXES{};
  float WAVELENGTH = 0.0f;  // Angstrom
  int NUB = 0;              // rows of UB read; 3 = complete
  Mat3 UB{};
  Mat3 UBT{};     // transpose of UB
  Mat3 UBTINV{};  // inverse of transpose(UB): columns are a, b, c in Angstrom
  Mat3 GSTAR{};   // reciprocal metric tensor, 1/Angstrom^2
  std::array<float, 6> RCELL{};   // a*, b*, c* (1/A), alpha*, beta*, gamma* (deg)
  std::array<float, 7> CELLUB{};  // a, b, c (A), alpha, beta, gamma (deg), V (A^3)
  int CELLGIVEN = 0;
  std::array<float, 7> CELL{};  // the CELL card; 7th slot printed as the file cell's volume
  float CELLVOL = 0.0f;         // cell volume used everywhere, A^3
  float LAMBDAV2 = 0.0f;        // (WAVELENGTH / CELLVOL)^2, formed by the experiment report

  // Non-blank lines of the experiment file that were not read as a card.
  std::vector<UnreadLine> unreadLines;

  // --- Titles and texts (blank-padded to their lengths).
  std::string TITLE = std::string(80, ' ');
  std::string CONTENTS = std::string(60, ' ');
  std::array<std::string, kMaxFaceCards> MODELCARDS{};  // text after FACE / CORNER, 80 chars

  // --- Crystal model and crystal absorption.
  int MODELTYPE = 0;  // 0 none, 1 hkl faces, 2 three-point faces, 3 corners, 4 sphere, 5 filled gasket
  int NFACES = 0;
  int NCORNERS = 0;
  std::array<float, 3> GRID{};  // grid level per axis: 2^level Gauss points
  int GRIDLIST = 0;             // 1 or 3 lists limits; above 1 lists points
  float RADIUS = 0.0f;          // sphere radius, microns
  float ABSCO = 0.0f;           // linear absorption coefficient, per micron
  int CRYSABS = 0;              // 1 = crystal absorption corrected
  int CONTGIVEN = 0;            // 1 = a CONTENTS card was taken

  // --- Cell contents results.
  std::array<float, kElements> ELCOUNT{};  // atoms per formula unit, by Z-1
  float ZFORM = 0.0f;                      // formula units per cell
  float DENSITY = 0.0f;                    // g/cm^3

  // --- Data restrictions.
  float SCALE = 0.0f;     // intensity multiplier on input
  float TTHMIN = 0.0f;    // degrees
  float TTHMAX = 0.0f;    // degrees
  float LESSTHAN = 0.0f;  // units of sigma(I)
  int DELREJ = 0;         // 1 = reflections flagged rejected are deleted

  // --- Diamond-anvil cell. Anvil 1 is the incident-beam anvil.
  int DACTYPE = 0;                  // 0 none, 1..4 anvil/platten models, 5 user function
  std::array<float, 2> PSIMAX{};    // opening limits, radians
  std::array<float, 4> DTHICK{};    // anvil 1, anvil 2, platten 1, platten 2, cm
  std::array<float, 4> DMU{};       // their coefficients, 1/cm
  int NDACCURVE = 0;                // points in DACCURVE; -1 = the sum(mu*t) curve
  std::array<std::array<float, 3>, kMaxDacCurve> DACCURVE{};  // [n] = psi (deg), T anvil 1, T anvil 2
  std::array<float, 2> DACSUMMUT{};
  int GASKGIVEN = 0;
  float GASKETT = 0.0f;   // gasket thickness, microns
  float GASKETR = 0.0f;   // hole radius, microns
  float GASKETMU = 0.0f;  // per micron
  int GASKOPAQUE = 0;
  float MINILLUM = 0.0f;  // least illuminated fraction
  int MEDIAABS = 0;
  float MUMEDIA = 0.0f;   // per micron

  // --- Crystal shape (microns, phi-axis frame). FACE[f] = (A, B, C, D) of
  // the plane A x + B y + C z + D = 0; after the polyhedron build the face
  // values are x100 and non-negative inside the crystal.
  std::array<std::array<float, 4>, kMaxFaces> FACE{};
  Vec3 CENTRE{};
  std::array<std::array<float, 4>, kMaxFaces> HKLD{};  // h, k, l, distance (mm)
  std::array<Vec3, kMaxCorners> CORNER{};
  std::array<std::array<int, 2>, kMaxEdges> IEDGE{};  // 1-based face numbers
  int NEDGES = 0;
  Vec3 BOXMIN{};
  Vec3 BOXMAX{};

  // --- Integration grid (Gauss-Legendre product grid), 0-based indices.
  std::array<int, 3> NGRID{};
  std::array<float, kMaxGrid> XG{};
  std::array<std::array<float, kMaxGrid>, kMaxGrid> YG{};  // YG[i][j]
  std::array<std::array<std::array<float, kMaxGrid>, kMaxGrid>, kMaxGrid> ZG{};  // ZG[i][j][k]
  std::array<float, kMaxGrid> WX{};
  std::array<std::array<float, kMaxGrid>, kMaxGrid> WY{};
  std::array<std::array<std::array<float, kMaxGrid>, kMaxGrid>, kMaxGrid> WZ{};
  // Face values at the grid points, -(A x + B y + C z + D) with the scaled,
  // oriented faces: zero or negative inside the crystal. Laid out so that the
  // points of one z-line are contiguous for each face: see fdistIndex.
  std::vector<float> FDIST;
  // The largest and the smallest value of each face over the grid, filled
  // with FDIST by the model build (empty when a grid was laid otherwise). A
  // beam can only leave a point by a face whose value there has the sign of
  // the beam's product with the face's normal, so these tell the
  // integration which faces no beam in a given direction can leave by.
  std::vector<float> fdistMax, fdistMin;
  float VOLUME = 0.0f;  // cubic microns

  // --- How the transmission is integrated: 0 on the Gaussian grid, 1 exactly
  // (closed forms over the crystal, exact gasket and medium paths), with the
  // relative tolerance of what is not in closed form; and what the exact
  // mode builds with the model.
  int METHOD = 0;
  double METHODTOL = exact::kDefaultTolerance;
  exact::ExactModel exact;

  // --- Sphere transmission tables, entry k-1 for 2theta = k degrees.
  std::array<float, 180> TSPH{};
  std::array<float, 180> TSPH2{};
};

// Index of FDIST(i, j, k, f) (all 0-based) for a grid of NY lines per plane,
// NZ points per line and nfaces faces: z-lines outermost by (i, j), then the
// face, then the point k along the line.
inline std::size_t fdistIndex(const ExperimentState& e, int i, int j, int k, int f) {
  const std::size_t ny = static_cast<std::size_t>(e.NGRID[1]);
  const std::size_t nz = static_cast<std::size_t>(e.NGRID[2]);
  const std::size_t nf = static_cast<std::size_t>(e.NFACES);
  return ((static_cast<std::size_t>(i) * ny + static_cast<std::size_t>(j)) * nf +
          static_cast<std::size_t>(f)) * nz + static_cast<std::size_t>(k);
}

// The state at program start: everything zero (constant tables live apart).
// resetForNewFile applies the reset values of a new experiment file.
void resetForNewFile(ExperimentState& e);

}  // namespace korvex
