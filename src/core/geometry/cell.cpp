// Placeholder: replaced by the cell geometry.
#include "geometry/cell.hpp"
#include "run/run.hpp"
namespace korvex {
float getCellVol(const std::array<float, 6>&, int) { return 0.0f; }
void rotateUb(Run&) {}
void recipCell(Run&) {}
void realCell(Run&) {}
void dcToShelx(const ExperimentState&, const ReflectionRecord&, std::array<float, 6>& dc) { dc = {1, 1, 0, 0, 0, 0}; }
}  // namespace korvex
