// Layouts of the grid listing file. Records carry ASA carriage control.
#include "model/grid_listing.hpp"

#include <algorithm>
#include <vector>

#include "fixedformat/edit_list.hpp"

namespace korvex {
namespace {

const ff::EditList kLimitsHeading("(/,/,10X,'GAUSSSIAN GRID LIMITS FOR ',A80)");
const ff::EditList kXLimits("(/,/,10X,'XMIN = ',F10.4,10X,'XMAX = ',F10.4,/)");
const ff::EditList kYLimits("(/,10X,'AT X = ',F10.4,' YMIN = ',F10.4,' YMAX = ',F10.4,/)");
const ff::EditList kZLimits("(10X,'AT X = ',F10.4,' Y = ',F10.4,' ZMIN = ',F10.4,' ZMAX = ',F10.4)");
const ff::EditList kPointsHeading(
    "(/,/,'    COORDINATES OF GAUSSIAN GRID POINTS FOR ',A80,/,/,9X,'X',10X,'Y',20X,'Z COORDINATES')");
const ff::EditList kPointLine("(2X,F10.1,',',F10.1,':',8F10.1)");
const ff::EditList kPointContinuation("(24X,8F10.1)");

constexpr int kZPerLine = 8;

}  // namespace

void writeLimitsHeading(ff::CarriageControlWriter& out, std::string_view title) {
  out.write(kLimitsHeading, {ff::padded(title, 80)});
}

void writeXLimits(ff::CarriageControlWriter& out, float xmin, float xmax) {
  out.write(kXLimits, {xmin, xmax});
}

void writeYLimits(ff::CarriageControlWriter& out, float x, float ymin, float ymax) {
  out.write(kYLimits, {x, ymin, ymax});
}

void writeZLimits(ff::CarriageControlWriter& out, float x, float y, float zmin, float zmax) {
  out.write(kZLimits, {x, y, zmin, zmax});
}

void writePointsHeading(ff::CarriageControlWriter& out, std::string_view title) {
  out.write(kPointsHeading, {ff::padded(title, 80)});
}

void writePointLine(ff::CarriageControlWriter& out, float x, float y, const float* z, int nz) {
  std::vector<ff::Value> first{x, y};
  const int head = std::min(nz, kZPerLine);
  for (int k = 0; k < head; ++k) first.emplace_back(z[k]);
  out.records(kPointLine.records(first));
  for (int start = kZPerLine; start < nz; start += kZPerLine) {
    std::vector<ff::Value> more;
    for (int k = start; k < std::min(nz, start + kZPerLine); ++k) more.emplace_back(z[k]);
    out.records(kPointContinuation.records(more));
  }
}

}  // namespace korvex
