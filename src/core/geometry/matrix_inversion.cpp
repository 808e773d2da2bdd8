// Placeholder: replaced by the cofactor inversion.
#include "geometry/matrix_inversion.hpp"
namespace korvex {
void minv38(const Mat3d&, Mat3d& ainv, double, double& det, int& ier) { ainv = {}; det = 0; ier = 1; }
void minv3(const Mat3&, Mat3& ainv, float, float& det, int& ier) { ainv = {}; det = 0; ier = 1; }
}  // namespace korvex
