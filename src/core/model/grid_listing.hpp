// The grid listing file "KORVEX_GRID.LST": the limits of the integration
// grid and its points, shared by the polyhedral, filled-gasket and sphere
// grids so that all three list in the same layouts.
#pragma once

#include <string_view>

#include "fixedformat/text_files.hpp"

namespace korvex {

// GRIDLIST 1 or 3 lists the limits; anything above 1 lists the points.
inline bool listsGridLimits(int gridlist) { return gridlist == 1 || gridlist == 3; }
inline bool listsGridPoints(int gridlist) { return gridlist > 1; }

// "GAUSSSIAN GRID LIMITS FOR" and the experiment title (80 characters).
void writeLimitsHeading(ff::CarriageControlWriter& out, std::string_view title);
// The x extent, written once after the heading.
void writeXLimits(ff::CarriageControlWriter& out, float xmin, float xmax);
// The y limits of the plane at x.
void writeYLimits(ff::CarriageControlWriter& out, float x, float ymin, float ymax);
// The z limits of the line at (x, y).
void writeZLimits(ff::CarriageControlWriter& out, float x, float y, float zmin, float zmax);

// The heading of the point listing, with the experiment title.
void writePointsHeading(ff::CarriageControlWriter& out, std::string_view title);
// One line (x, y) with its z values: eight on the first line, the rest
// eight to a continuation line.
void writePointLine(ff::CarriageControlWriter& out, float x, float y, const float* z, int nz);

}  // namespace korvex
