// The crystal model drawn in one orthographic view: the gasket on the culet
// planes and the hole's cylinder, the crystal's faces shaded with their
// labels and its hidden edges dashed, corners that lie outside the cell in
// red, the axes of the phi-axis frame and the reciprocal axes, and a scale
// bar. The scale depends on the scene only, not on the view, so turning the
// model never changes its size.
#pragma once

#include <QRectF>
#include <QString>

#include "pictures/model_scene.hpp"
#include "pictures/view.hpp"

class QPainter;

namespace korvex::pictures {

// Draws the scene into rect; returns the scale in pixels per micron.
double paintModel(QPainter& p, const QRectF& rect, const ModelScene& scene, const View& view, const QString& title);

// The scale paintModel uses for a rectangle of this size.
double modelScale(const QRectF& rect, const ModelScene& scene);

}  // namespace korvex::pictures
