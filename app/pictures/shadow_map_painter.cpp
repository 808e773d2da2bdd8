#include "shadow_map_painter.hpp"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "drawing_style.hpp"
#include "geometry/angles.hpp"
#include "pictures/transmission_plots.hpp"

namespace korvex::pictures {

namespace {

constexpr double kDegree = M_PI / 180.0;

// The disc's point of a direction: psi from the centre, azimuth anticlockwise
// from +x (to the right) towards +z (up).
QPointF discPoint(const QPointF& centre, double radius, double psi, double azimuth) {
  const double r = radius * psi / 90.0;
  return centre + QPointF(r * std::cos(azimuth * kDegree), -r * std::sin(azimuth * kDegree));
}

QImage mapImage(const ShadowMap& map, int side) {
  QImage image(side, side, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const double c = side / 2.0;
  for (int py = 0; py < side; ++py)
    for (int px = 0; px < side; ++px) {
      const double dx = px + 0.5 - c, dz = c - (py + 0.5);
      const double psi = std::hypot(dx, dz) / c * 90.0;
      if (psi >= 90.0) continue;
      double az = std::atan2(dz, dx) / kDegree;
      if (az < 0) az += 360;
      const int i = std::min(map.psiBins - 1, static_cast<int>(psi / map.psiStep));
      const int j = std::min(map.azimuthBins - 1, static_cast<int>(az / map.azimuthStep));
      image.setPixelColor(px, py, fractionColour(map.at(i, j)));
    }
  return image;
}

void paintDisc(QPainter& p, const QPointF& centre, double radius, const ShadowMap& map, float opening,
               const ListedReflections* beams) {
  const int side = static_cast<int>(std::lround(2 * radius));
  p.drawImage(QRectF(centre.x() - radius, centre.y() - radius, side, side), mapImage(map, side));
  p.save();
  p.setFont(drawingFont(10));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 130), 0.8));
  for (int psi : {20, 40, 60, 80}) {
    const double r = radius * psi / 90.0;
    p.drawEllipse(centre, r, r);
    drawLabel(p, discPoint(centre, radius, psi, 62), QStringLiteral("%1\u00b0").arg(psi), Qt::AlignHCenter | Qt::AlignVCenter,
              colours::kInk);
  }
  for (int az = 0; az < 360; az += 45) p.drawLine(centre, discPoint(centre, radius, 90, az));
  p.setPen(QPen(colours::kInk, 1.2));
  p.drawEllipse(centre, radius, radius);
  const char* names[] = {"+x", "+z", "\u2212x", "\u2212z"};
  for (int q = 0; q < 4; ++q)
    drawLabel(p, discPoint(centre, radius + 12, 90, 90 * q), QString::fromUtf8(names[q]),
              Qt::AlignHCenter | Qt::AlignVCenter, colours::kInk, false);
  // The opening of the anvil: beams outside this circle are marked "D".
  const double openingDegrees = opening / kRadiansPerDegree;
  if (openingDegrees > 0 && openingDegrees < 90) {
    p.setPen(QPen(Qt::white, 2.0, Qt::DashLine));
    const double r = radius * openingDegrees / 90.0;
    p.drawEllipse(centre, r, r);
    drawLabel(p, discPoint(centre, radius, openingDegrees, 235), QStringLiteral("opening %1\u00b0").arg(openingDegrees, 0, 'f', 1),
              Qt::AlignHCenter | Qt::AlignTop, colours::kInk);
  }
  if (beams) {
    for (PointKind kind : {PointKind::Written, PointKind::Obscured, PointKind::BeyondOpening})
      for (const ListedReflection& r : *beams) {
        PointKind k;
        if (!plotted(r, k) || k != kind) continue;
        for (const Vec3& beam : {r.dci, r.dcd}) {
          const MapPosition m = mapPosition(beam);
          if (m.anvil != map.anvil) continue;
          // Of a reflection beyond an opening, only the beam that lies beyond
          // it is marked: the other may be well inside its anvil's opening.
          if (kind == PointKind::BeyondOpening && !(m.psi > openingDegrees)) continue;
          const QPointF at = discPoint(centre, radius, std::min(m.psi, 90.0), m.azimuth);
          if (kind == PointKind::Written) {
            // Dark dots with a light rim read on every colour of the scale.
            p.setPen(QPen(Qt::white, 0.8));
            p.setBrush(QColor(20, 20, 20));
            p.drawEllipse(at, 2.2, 2.2);
          } else {
            drawMarker(p, at, kind);
          }
        }
      }
  }
  p.restore();
}

void paintColourBar(QPainter& p, const QRectF& bar) {
  QLinearGradient g(bar.bottomLeft(), bar.topLeft());
  for (int n = 0; n <= 10; ++n) g.setColorAt(n / 10.0, fractionColour(n / 10.0));
  p.save();
  p.setPen(QPen(colours::kInk, 1.0));
  p.setBrush(g);
  p.drawRect(bar);
  p.setFont(drawingFont(10));
  for (int n = 0; n <= 4; ++n) {
    const double y = bar.bottom() - n / 4.0 * bar.height();
    p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
    drawLabel(p, QPointF(bar.right() + 6, y), QString::number(n / 4.0, 'f', 2), Qt::AlignLeft | Qt::AlignVCenter,
              colours::kInk, false);
  }
  drawLabel(p, QPointF(bar.center().x(), bar.top() - 6), QStringLiteral("illuminated"), Qt::AlignHCenter | Qt::AlignBottom,
            colours::kInk, false);
  p.restore();
}

}  // namespace

void paintShadowMaps(QPainter& p, const QRectF& rect, const std::array<ShadowMap, 2>& maps,
                     const std::array<float, 2>& openings, const ListedReflections* beams) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(rect, Qt::white);
  p.setFont(drawingFont(14, true));
  drawLabel(p, rect.topLeft() + QPointF(10, 6),
            QStringLiteral("Gasket shadow: the illuminated fraction of the crystal for a beam in each direction"),
            Qt::AlignLeft | Qt::AlignTop, colours::kInk, false);
  p.setFont(drawingFont(11));
  drawLabel(p, rect.topLeft() + QPointF(10, 26),
            QStringLiteral("Seen along the load axis y (x to the right, z up); \u03c8 from the axis at the centre to 90\u00b0 "
                           "at the rim. Beams of the data: dots written, crosses D, triangles O."),
            Qt::AlignLeft | Qt::AlignTop, colours::kInk, false);

  const double top = rect.top() + 70, barWidth = 90;
  const double w = (rect.width() - barWidth) / 2;
  const double radius = std::max(20.0, std::min(w / 2 - 30, (rect.bottom() - top - 56) / 2));
  const char* titles[] = {"Beams towards anvil 1 (incident-beam side, culet y = 0)",
                          "Beams towards anvil 2 (diffracted-beam side, culet y = T)"};
  for (int a = 0; a < 2; ++a) {
    const QPointF centre(rect.left() + w * a + w / 2, top + 34 + radius);
    p.setFont(drawingFont(12, true));
    drawLabel(p, QPointF(centre.x(), top), QString::fromLatin1(titles[a]), Qt::AlignHCenter | Qt::AlignTop, colours::kInk,
              false);
    paintDisc(p, centre, radius, maps[static_cast<std::size_t>(a)], openings[static_cast<std::size_t>(a)], beams);
  }
  paintColourBar(p, QRectF(rect.right() - barWidth + 20, top + 40, 16, 2 * radius - 40));
  p.restore();
}

}  // namespace korvex::pictures
