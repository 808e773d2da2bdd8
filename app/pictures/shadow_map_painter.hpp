// The gasket's shadow maps of both anvils as two discs seen along the load
// axis (x to the right, z up): psi runs from the centre (along the axis) to
// the rim (90 degrees), the azimuth round it, the colour gives the
// illuminated fraction. The anvils' openings are dashed circles, and the
// beams of the listed reflections are marked on the disc of the anvil each
// heads for.
#pragma once

#include <QRectF>
#include <array>

#include "experiment/experiment_state.hpp"
#include "pictures/shadow_map.hpp"
#include "reflections/listed_reflection.hpp"

class QPainter;

namespace korvex::pictures {

// beams may be null (a model built, no data yet).
void paintShadowMaps(QPainter& p, const QRectF& rect, const std::array<ShadowMap, 2>& maps,
                     const std::array<float, 2>& openings, const ListedReflections* beams);

}  // namespace korvex::pictures
