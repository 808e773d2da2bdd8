#include "geometry/cell.hpp"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "geometry/angles.hpp"
#include "geometry/matrix_inversion.hpp"
#include "reflections/reflection_record.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

const ff::EditList kBlaxesInvalid(
    "('ERROR IN EXP FILE: ',' BLAXES CARD ENTRIES ADD TO ',I1,5X,'AXIAL SYSTEM ASSUMED BUSING-LEVY')");
const ff::EditList kRecipTensorInvalid("('  INVALID RECIP METRIC TENSOR: ',3(10X,3F10.6,':'))");
const ff::EditList kUbInvalid("('INVALID UB: (UBTRANSPOSE)-1= ',3(10X,3F10.6,':'))");
const ff::EditList kRecipDeterminant("('   Determinant of Recip Metric tensor = ',F10.4)");
const ff::EditList kTensorInvalid("('INVALID METRIC TENSOR: ',3(10X,3F10.6,';'))");
const ff::EditList kRecipTensorHeading("(/,' The Recip metric tensor is:',/)");
const ff::EditList kTensorRow("(10X,3F10.6)");

constexpr float kSymmetryTolerance = 1.0E-4f;  // largest |M(i,j) - M(j,i)| of a metric tensor

// The nine elements of a matrix in column order, M(1,1), M(2,1), M(3,1), M(1,2), ...
std::vector<ff::Value> columnOrder(const Mat3& m) {
  std::vector<ff::Value> v;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) v.emplace_back(m[i][j]);
  return v;
}

bool asymmetric(const Mat3& m) {
  return std::fabs(m[0][1] - m[1][0]) > kSymmetryTolerance || std::fabs(m[0][2] - m[2][0]) > kSymmetryTolerance ||
         std::fabs(m[2][1] - m[1][2]) > kSymmetryTolerance;
}

// BLAXES must name each Busing-Levy axis exactly once, with a sign.
bool signedPermutation(const std::array<int, 3>& b) {
  bool seen[3] = {false, false, false};
  for (int v : b) {
    const long long k = std::llabs(static_cast<long long>(v));
    if (k < 1 || k > 3 || seen[k - 1]) return false;
    seen[k - 1] = true;
  }
  return true;
}

// The reciprocal tensor is listed in the print file before a failure of the
// direct cell is raised, so the user sees what the orientation matrix gave.
[[noreturn]] void failDirectCell(Run& run, const std::string& message) {
  const Mat3& g = run.exp.GSTAR;
  run.files.print.write(kRecipTensorHeading, {});
  for (int i = 0; i < 3; ++i) run.files.print.write(kTensorRow, {g[i][0], g[i][1], g[i][2]});
  error(message);
}

}  // namespace

float getCellVol(const std::array<float, 6>& cell, int irad) {
  const float f = irad == 0 ? kRadiansPerDegree : 1.0f;
  const float ca = std::cos(f * cell[3]);
  const float cb = std::cos(f * cell[4]);
  const float cg = std::cos(f * cell[5]);
  const float d = 1.0f + 2.0f * ca * cb * cg - ca * ca - cb * cb - cg * cg;
  // Angles that close no cell (d <= 0) give no volume rather than a NaN.
  if (!(d > 0.0f)) return 0.0f;
  return cell[0] * cell[1] * cell[2] * std::sqrt(d);
}

void rotateUb(Run& run) {
  ExperimentState& e = run.exp;
  long long sum = 0;
  for (int v : e.BLAXES) sum += std::llabs(static_cast<long long>(v));
  // A set such as 2 2 2 adds to 6 without naming every axis: refused alike.
  if (sum != 6 || !signedPermutation(e.BLAXES)) {
    warning(run, kBlaxesInvalid.text({sum}));
    e.BLAXES = {1, 2, 3};
    return;
  }
  // Row |BLAXES(i)| of the rotated matrix is row i of the given one, with the
  // sign of BLAXES(i).
  const Mat3 old = e.UB;
  for (int i = 0; i < 3; ++i) {
    const int row = std::abs(e.BLAXES[i]) - 1;
    const float sign = e.BLAXES[i] >= 0 ? 1.0f : -1.0f;
    for (int j = 0; j < 3; ++j) e.UB[row][j] = sign * old[i][j];
  }
}

void recipCell(Run& run) {
  ExperimentState& e = run.exp;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) e.UBT[i][j] = e.UB[j][i];

  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      float s = 0.0f;
      for (int k = 0; k < 3; ++k) s = s + e.UBT[i][k] * e.UB[k][j];
      e.GSTAR[i][j] = s;
    }

  const Mat3& g = e.GSTAR;
  if (asymmetric(g)) error(kRecipTensorInvalid.text(columnOrder(g)));
  for (int i = 0; i < 3; ++i) {
    if (g[i][i] <= 0.0f) error(kRecipTensorInvalid.text(columnOrder(g)));
    e.RCELL[i] = std::sqrt(g[i][i]);
  }
  e.RCELL[3] = std::acos(g[1][2] / e.RCELL[1] / e.RCELL[2]) * kDegreesPerRadian;
  e.RCELL[4] = std::acos(g[0][2] / e.RCELL[0] / e.RCELL[2]) * kDegreesPerRadian;
  e.RCELL[5] = std::acos(g[0][1] / e.RCELL[0] / e.RCELL[1]) * kDegreesPerRadian;

  e.UBTINV = e.UBT;
  float det = 0.0f;
  int ier = 0;
  minv3(e.UBTINV, e.UBTINV, 1.0E-7f, det, ier);
  if (ier != 0) error(kUbInvalid.text(columnOrder(e.UBTINV)));
}

void realCell(Run& run) {
  ExperimentState& e = run.exp;
  Mat3 g{};  // direct metric tensor, Angstrom^2
  float det = 0.0f;
  int ier = 0;
  minv3(e.GSTAR, g, 1.0E-9f, det, ier);
  if (ier != 0) failDirectCell(run, kRecipDeterminant.text({det}));

  e.CELLUB[6] = 1.0f / std::sqrt(det);
  bool invalid = asymmetric(g);
  for (int i = 0; i < 3 && !invalid; ++i) invalid = g[i][i] <= 0.0f;
  if (invalid) failDirectCell(run, kTensorInvalid.text(columnOrder(g)));

  for (int i = 0; i < 3; ++i) e.CELLUB[i] = std::sqrt(g[i][i]);
  e.CELLUB[3] = std::acos(g[1][2] / e.CELLUB[1] / e.CELLUB[2]) * kDegreesPerRadian;
  e.CELLUB[4] = std::acos(g[0][2] / e.CELLUB[0] / e.CELLUB[2]) * kDegreesPerRadian;
  e.CELLUB[5] = std::acos(g[0][1] / e.CELLUB[0] / e.CELLUB[1]) * kDegreesPerRadian;
}

void dcToShelx(const ExperimentState& exp, const ReflectionRecord& refl, std::array<float, 6>& dc) {
  if (exp.NUB != 3) {
    dc = {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    return;
  }
  // Projections of the reversed incident and the diffracted beam on a*, b*, c*,
  // each divided by the length of that axis.
  for (int i = 0; i < 3; ++i) {
    float p = 0.0f;
    float q = 0.0f;
    for (int k = 0; k < 3; ++k) {
      p = p + exp.UBT[i][k] * refl.DCI[k];
      q = q + exp.UBT[i][k] * refl.DCD[k];
    }
    dc[2 * i] = p / exp.RCELL[i];
    dc[2 * i + 1] = q / exp.RCELL[i];
  }
}

}  // namespace korvex
