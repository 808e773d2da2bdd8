// The data of the transmission plots: the overall transmission and its
// factors (crystal, anvils, gasket, medium) of every listed reflection
// against 2theta and, in a cell, against the angle psi of each beam to the
// load axis; and the histogram of the correction factor 1/T. Reflections
// beyond an anvil's opening ("D") and obscured by the gasket ("O") are kept
// apart from those written.
#pragma once

#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "reflections/listed_reflection.hpp"

namespace korvex::pictures {

// D wins over O when a reflection carries both.
enum class PointKind { Written, BeyondOpening, Obscured };

struct PlotPoint {
  float x = 0.0f, y = 0.0f;
  int reflection = 0;  // index into the listed reflections
  PointKind kind = PointKind::Written;
};

// An axis with round ends and tick step.
struct Axis {
  std::string label;
  double min = 0, max = 1, step = 0.2;
};

struct PlotPanel {
  std::string title;
  Axis x, y;
  std::vector<PlotPoint> points;
  std::vector<double> xMarks;  // dashed vertical lines: the anvil opening, degrees
  std::string markLabel;
};

struct PlotPage {
  std::string title;
  int columns = 1;
  std::vector<PlotPanel> panels;  // row by row
};

struct Histogram {
  Axis x;                   // correction factor 1/T
  double binWidth = 0;
  std::vector<int> counts;  // bin b covers [x.min + b binWidth, x.min + (b+1) binWidth)
  int total = 0;
};

// The kind of point a listed reflection gives, or false when it is not
// plotted (outside the 2theta limits, a standard, or rejected).
bool plotted(const ListedReflection& r, PointKind& kind);

PlotPage transmissionAgainstTwoTheta(const ExperimentState& e, const ListedReflections& listed);
// Empty (no panels) without a diamond-anvil cell.
PlotPage transmissionAgainstPsi(const ExperimentState& e, const ListedReflections& listed);
// Of the written reflections whose transmission gives a correction.
Histogram correctionHistogram(const ListedReflections& listed);

// A range from lo to hi, at least minSpan wide about its middle, widened to
// round ends, with about five ticks.
Axis roundAxis(double lo, double hi, std::string label, double minSpan = 0);

}  // namespace korvex::pictures
