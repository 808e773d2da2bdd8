#include "pictures/transmission_plots.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/angles.hpp"

namespace korvex::pictures {

namespace {

struct Factor {
  const char* title;
  float ListedReflection::*value;
};

// The factors the run computed, as the run summary reports their ranges.
std::vector<Factor> factorsOf(const ExperimentState& e) {
  std::vector<Factor> f{{"overall transmission", &ListedReflection::trans}};
  if (e.CRYSABS == 1) f.push_back({"crystal", &ListedReflection::txtal});
  if (e.DACTYPE > 0) f.push_back({"anvils and backing plates", &ListedReflection::tdac});
  if (e.DACTYPE > 0 && e.GASKGIVEN == 1) {
    f.push_back({"gasket", &ListedReflection::tgas});
    f.push_back({"pressure medium", &ListedReflection::tmed});
  }
  return f;
}

// One panel of factor f against x(r) for every plotted reflection.
template <typename X>
PlotPanel panel(const ListedReflections& listed, const Factor& f, const std::string& xLabel, X x) {
  PlotPanel p;
  p.title = f.title;
  double xlo = 1e30, xhi = -1e30, ylo = 1e30, yhi = -1e30;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    PointKind kind;
    if (!plotted(listed[i], kind)) continue;
    const float px = x(listed[i]), py = listed[i].*f.value;
    if (!std::isfinite(px) || !std::isfinite(py)) continue;
    p.points.push_back({px, py, static_cast<int>(i), kind});
    xlo = std::min(xlo, static_cast<double>(px));
    xhi = std::max(xhi, static_cast<double>(px));
    ylo = std::min(ylo, static_cast<double>(py));
    yhi = std::max(yhi, static_cast<double>(py));
  }
  if (p.points.empty()) xlo = xhi = ylo = yhi = 0;
  p.x = roundAxis(xlo, xhi, xLabel);
  // Factors that hardly vary (a gasket that shadows nothing) are shown on a
  // span of 0.01 rather than magnifying their rounding.
  p.y = roundAxis(ylo, yhi, "T", 0.01);
  return p;
}

}  // namespace

bool plotted(const ListedReflection& r, PointKind& kind) {
  if (r.beyondOpening()) {
    kind = PointKind::BeyondOpening;
  } else if (r.obscured()) {
    kind = PointKind::Obscured;
  } else if (r.written) {
    kind = PointKind::Written;
  } else {
    return false;
  }
  return true;
}

PlotPage transmissionAgainstTwoTheta(const ExperimentState& e, const ListedReflections& listed) {
  PlotPage page;
  page.title = "Transmission against 2\u03b8";
  for (const Factor& f : factorsOf(e))
    page.panels.push_back(panel(listed, f, "2\u03b8 (\u00b0)", [](const ListedReflection& r) { return r.twoTheta; }));
  return page;
}

PlotPage transmissionAgainstPsi(const ExperimentState& e, const ListedReflections& listed) {
  PlotPage page;
  if (e.DACTYPE <= 0) return page;
  page.title = "Transmission against \u03c8, the angle of each beam to the load axis";
  page.columns = 2;
  for (const Factor& f : factorsOf(e)) {
    for (int beam = 0; beam < 2; ++beam) {
      PlotPanel p = panel(listed, f, beam == 0 ? "\u03c8 of the incident beam (\u00b0)" : "\u03c8 of the diffracted beam (\u00b0)",
                          [beam](const ListedReflection& r) { return r.psi[beam]; });
      // The opening of the anvil the beam passes when the crystal sits
      // between the anvils: anvil 1 for the incident beam, anvil 2 for the
      // diffracted beam.
      const double opening = e.PSIMAX[beam] / kRadiansPerDegree;
      if (opening > 0 && opening < 90) {
        p.xMarks.push_back(opening);
        p.markLabel = beam == 0 ? "opening of anvil 1" : "opening of anvil 2";
        p.x = roundAxis(std::min(p.x.min, opening), std::max(p.x.max, opening), p.x.label);
      }
      page.panels.push_back(std::move(p));
    }
  }
  return page;
}

Histogram correctionHistogram(const ListedReflections& listed) {
  Histogram h;
  std::vector<double> values;
  for (const ListedReflection& r : listed)
    if (r.written && r.trans > 1.0e-5f) values.push_back(1.0 / r.trans);
  h.total = static_cast<int>(values.size());
  double lo = 1, hi = 1;
  if (!values.empty()) {
    lo = *std::min_element(values.begin(), values.end());
    hi = *std::max_element(values.begin(), values.end());
  }
  h.x = roundAxis(lo, hi, "correction factor 1/T");
  const int bins = std::clamp(static_cast<int>(std::lround(std::sqrt(static_cast<double>(values.size())))), 5, 40);
  h.binWidth = (h.x.max - h.x.min) / bins;
  h.counts.assign(static_cast<std::size_t>(bins), 0);
  for (double v : values) {
    const int b = std::clamp(static_cast<int>(std::floor((v - h.x.min) / h.binWidth)), 0, bins - 1);
    ++h.counts[static_cast<std::size_t>(b)];
  }
  return h;
}

Axis roundAxis(double lo, double hi, std::string label, double minSpan) {
  Axis a;
  a.label = std::move(label);
  if (hi - lo < minSpan) {
    const double mid = (lo + hi) / 2;
    lo = mid - minSpan / 2;
    hi = mid + minSpan / 2;
  }
  if (!(hi > lo)) {
    const double pad = std::max(0.05, 0.05 * std::fabs(lo));
    lo -= pad;
    hi += pad;
  }
  const double raw = (hi - lo) / 5;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * p;
  for (double m : {1.0, 2.0, 2.5, 5.0})
    if (m * p >= raw * (1 - 1e-9)) {
      step = m * p;
      break;
    }
  a.step = step;
  a.min = std::floor(lo / step + 1e-9) * step;
  a.max = std::ceil(hi / step - 1e-9) * step;
  if (a.max <= a.min) a.max = a.min + step;
  return a;
}

}  // namespace korvex::pictures
