// The transmission plots and the histogram of the correction factor, drawn
// from their data (pictures/transmission_plots.hpp). Written reflections are
// blue dots, reflections beyond an anvil's opening ("D") red crosses, those
// obscured by the gasket ("O") orange triangles.
#pragma once

#include <QPointF>
#include <QRectF>
#include <vector>

#include "pictures/transmission_plots.hpp"

class QPainter;

namespace korvex::pictures {

// Where a reflection's point landed: for naming the reflection under a click.
struct PointPlace {
  QPointF at;
  int reflection = 0;
};

// Draws the page; the reflection `selected` (an index into the listed
// reflections, or -1) is ringed in every panel.
std::vector<PointPlace> paintPlotPage(QPainter& p, const QRectF& rect, const PlotPage& page, int selected = -1);

void paintHistogram(QPainter& p, const QRectF& rect, const Histogram& h);

// The index of the reflection whose point lies nearest to `at`, within
// `radius` pixels, or -1.
int reflectionAt(const std::vector<PointPlace>& places, const QPointF& at, double radius = 6);

}  // namespace korvex::pictures
