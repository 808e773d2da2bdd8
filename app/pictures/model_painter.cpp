#include "model_painter.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "drawing_style.hpp"

namespace korvex::pictures {

namespace {

constexpr double kTitleBand = 44;   // pixels above the drawing
constexpr double kFooterBand = 40;  // pixels below it: axes and scale bar
constexpr int kCircleSteps = 96;

QRectF drawingArea(const QRectF& rect) {
  return rect.adjusted(8, kTitleBand, -8, -kFooterBand);
}

// Maps scene points onto the picture.
struct Mapper {
  const View& view;
  QPointF origin;   // where the scene's centre lands
  ScreenPoint centre;
  double scale;

  QPointF operator()(const Dir3& p) const {
    const ScreenPoint s = project(view, p);
    return {origin.x() + scale * (s.x - centre.x), origin.y() - scale * (s.y - centre.y)};
  }
  QPointF operator()(const Vec3& p) const { return (*this)(toDir(p)); }
};

QPolygonF circleAt(const Mapper& map, double y, double radius) {
  QPolygonF poly;
  for (int i = 0; i < kCircleSteps; ++i) {
    const double t = 2 * M_PI * i / kCircleSteps;
    poly << map(Dir3{radius * std::cos(t), y, radius * std::sin(t)});
  }
  return poly;
}

// A cylinder about the load axis from y = 0 to y = top: its two rims, the
// lines along which the view grazes its wall, and the outline of its body.
struct CylinderShape {
  QPolygonF rim0, rimTop;
  QLineF side1, side2;
  QPainterPath body;
};

CylinderShape cylinder(const Mapper& map, double radius, double top) {
  CylinderShape c;
  c.rim0 = circleAt(map, 0, radius);
  c.rimTop = circleAt(map, top, radius);
  const Dir3& out = map.view.out;
  const double t = std::atan2(-out[0], out[2]);
  auto at = [&](double angle, double y) { return map(Dir3{radius * std::cos(angle), y, radius * std::sin(angle)}); };
  c.side1 = QLineF(at(t, 0), at(t, top));
  c.side2 = QLineF(at(t + M_PI, 0), at(t + M_PI, top));
  // The rims and the band between the grazing lines wind either way round:
  // their union is taken, not their winding.
  QPolygonF quad;
  quad << c.side1.p1() << c.side1.p2() << c.side2.p2() << c.side2.p1();
  QPainterPath rim0, rimTop, band;
  rim0.addPolygon(c.rim0);
  rimTop.addPolygon(c.rimTop);
  band.addPolygon(quad);
  c.body = rim0.united(rimTop).united(band);
  return c;
}

// Both rims and the grazing lines of a cylinder.
void drawOutline(QPainter& p, const CylinderShape& c, const QPen& pen) {
  p.setBrush(Qt::NoBrush);
  p.setPen(pen);
  p.drawPolygon(c.rim0);
  p.drawPolygon(c.rimTop);
  p.drawLine(c.side1);
  p.drawLine(c.side2);
}

// The gasket between the culets, with the hole cut out of it, so that a side
// view shows it in section on both sides of the hole; or, in a cell without
// a gasket, the culet of anvil 1.
void paintCulets(QPainter& p, const Mapper& map, const ModelScene& s) {
  if (!s.cell) return;
  p.save();
  if (!s.gasket) {
    QColor fill(150, 180, 210, 60);
    p.setBrush(fill);
    p.setPen(QPen(fill.darker(130), 1.0));
    p.drawPolygon(circleAt(map, 0, s.culetRadius));
    p.restore();
    return;
  }
  const CylinderShape outer = cylinder(map, s.culetRadius, s.thickness);
  const CylinderShape hole = cylinder(map, s.holeRadius, s.thickness);
  QColor fill = colours::kGasket;
  fill.setAlpha(110);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(outer.body);
  // Seen from the side the gasket is cut through the load axis, so that the
  // hole shows as the gap between its two walls; seen from above or below,
  // the hole is the opening in the culet towards the viewer.
  p.setBrush(Qt::white);
  if (std::fabs(map.view.up[1]) > 0.97) {
    p.drawPath(hole.body);
  } else {
    p.drawPolygon(map.view.out[1] > 0 ? hole.rimTop : hole.rim0);
  }
  drawOutline(p, outer, QPen(colours::kGasket, 1.0));
  p.restore();
}

// Names the anvils beside the gasket, where the view shows the load axis
// upright enough.
void paintCuletLabels(QPainter& p, const Mapper& map, const ModelScene& s) {
  if (!s.gasket || std::fabs(map.view.up[1]) <= 0.5) return;
  p.save();
  p.setFont(drawingFont(11));
  const double left = -s.culetRadius;
  const Dir3 edge{left * map.view.right[0], 0, left * map.view.right[2]};
  const bool upright = map.view.up[1] > 0;
  drawLabel(p, map(Dir3{edge[0], 0, edge[2]}) + QPointF(0, upright ? 4 : -4), QStringLiteral("anvil 1, culet y = 0"),
            Qt::AlignLeft | (upright ? Qt::AlignTop : Qt::AlignBottom), colours::kGasket.darker(200));
  drawLabel(p, map(Dir3{edge[0], s.thickness, edge[2]}) + QPointF(0, upright ? -4 : 4),
            QStringLiteral("anvil 2, culet y = %1 \u00b5m").arg(s.thickness),
            Qt::AlignLeft | (upright ? Qt::AlignBottom : Qt::AlignTop), colours::kGasket.darker(200));
  p.restore();
}

// The hole's wall; for a crystal filling the hole, the crystal itself.
void paintHole(QPainter& p, const Mapper& map, const ModelScene& s, bool filled) {
  if (!s.gasket) return;
  const CylinderShape hole = cylinder(map, s.holeRadius, s.thickness);
  p.save();
  p.setBrush(Qt::NoBrush);
  if (!filled) {
    // The wall only: the crystal inside is seen through it.
    drawOutline(p, hole, QPen(colours::kHole, 1.4));
    p.restore();
    return;
  }
  // A solid cylinder: the wall darker than the end towards the viewer, and of
  // the far end only the half in front.
  const bool topTowardsViewer = map.view.out[1] > 0;
  p.setPen(Qt::NoPen);
  p.setBrush(colours::kCrystal.darker(115));
  p.drawPath(hole.body);
  p.setBrush(colours::kCrystal.lighter(112));
  p.drawPolygon(topTowardsViewer ? hole.rimTop : hole.rim0);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colours::kCrystal.darker(200), 1.4));
  p.drawPolygon(topTowardsViewer ? hole.rimTop : hole.rim0);
  const QPolygonF& far = topTowardsViewer ? hole.rim0 : hole.rimTop;
  for (int i = 0; i < far.size(); ++i) {
    const double t = 2 * M_PI * (i + 0.5) / far.size();
    const Dir3 onRim{std::cos(t), 0, std::sin(t)};
    if (dot(onRim, map.view.out) > 0) p.drawLine(far[i], far[(i + 1) % far.size()]);
  }
  p.drawLine(hole.side1);
  p.drawLine(hole.side2);
  p.restore();
}

double polygonArea(const QPolygonF& poly) {
  double a = 0;
  for (int i = 0; i < poly.size(); ++i) {
    const QPointF& u = poly[i];
    const QPointF& v = poly[(i + 1) % poly.size()];
    a += u.x() * v.y() - v.x() * u.y();
  }
  return std::fabs(a) / 2;
}

// Lambert shading with the light over the viewer's left shoulder.
QColor faceColour(const Dir3& normal, const View& view) {
  Dir3 light{};
  for (int a = 0; a < 3; ++a) light[a] = 0.6 * view.up[a] - 0.45 * view.right[a] + 0.65 * view.out[a];
  const double lambert = std::max(0.0, dot(normal, normalised(light)));
  QColor c = colours::kCrystal;
  const double k = 0.35 + 0.65 * lambert;
  return QColor(static_cast<int>(std::lround(c.red() * k + 255 * (1 - k) * 0.35)),
                static_cast<int>(std::lround(c.green() * k + 255 * (1 - k) * 0.35)),
                static_cast<int>(std::lround(c.blue() * k + 255 * (1 - k) * 0.35)));
}

void paintPolyhedron(QPainter& p, const Mapper& map, const ModelScene& s) {
  const View& view = map.view;
  auto facing = [&](const SceneFace& f) { return dot(f.normal, view.out) > 1e-6; };
  p.save();
  // Hidden edges first, dashed: an edge is hidden when neither of its faces
  // faces the viewer.
  std::vector<int> frontEdges(s.edges.size(), 0);
  for (const SceneFace& f : s.faces) {
    if (!facing(f)) continue;
    for (std::size_t i = 0; i < f.corners.size(); ++i) {
      const int a = f.corners[i], b = f.corners[(i + 1) % f.corners.size()];
      const std::array<int, 2> e{std::min(a, b), std::max(a, b)};
      const auto it = std::lower_bound(s.edges.begin(), s.edges.end(), e);
      if (it != s.edges.end() && *it == e) frontEdges[static_cast<std::size_t>(it - s.edges.begin())] = 1;
    }
  }
  QPen hidden(QColor(120, 120, 120), 1.0, Qt::DashLine);
  p.setPen(hidden);
  for (std::size_t e = 0; e < s.edges.size(); ++e)
    if (!frontEdges[e]) p.drawLine(map(s.corners[s.edges[e][0]]), map(s.corners[s.edges[e][1]]));

  // A convex body: the faces towards the viewer do not overlap.
  p.setPen(QPen(colours::kCrystal.darker(220), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  std::vector<std::pair<const SceneFace*, QPolygonF>> shown;
  for (const SceneFace& f : s.faces) {
    if (!facing(f)) continue;
    QPolygonF poly;
    for (int c : f.corners) poly << map(s.corners[c]);
    p.setBrush(faceColour(f.normal, view));
    p.drawPolygon(poly);
    shown.emplace_back(&f, poly);
  }
  // Labels where the face is seen well enough to hold one.
  p.setFont(drawingFont(11));
  const QFontMetricsF m(p.font());
  for (const auto& [f, poly] : shown) {
    const QString text = QString::fromStdString(f->label);
    const double need = (m.horizontalAdvance(text) + 4) * m.height();
    if (dot(f->normal, view.out) < 0.2 || polygonArea(poly) < 1.5 * need) continue;
    drawLabel(p, map(f->centroid), text, Qt::AlignHCenter | Qt::AlignVCenter);
  }
  p.restore();
}

void paintSphere(QPainter& p, const Mapper& map, const ModelScene& s) {
  const QPointF c = map(Dir3{0, 0, 0});
  const double r = map.scale * s.sphereRadius;
  QRadialGradient g(c + QPointF(-0.35 * r, -0.35 * r), 1.3 * r);
  g.setColorAt(0, colours::kCrystal.lighter(150));
  g.setColorAt(1, colours::kCrystal.darker(130));
  p.save();
  p.setBrush(g);
  p.setPen(QPen(colours::kCrystal.darker(220), 1.5));
  p.drawEllipse(c, r, r);
  p.restore();
}

void paintMisplaced(QPainter& p, const Mapper& map, const ModelScene& s) {
  p.save();
  p.setFont(drawingFont(11, true));
  for (int c : s.misplaced) {
    const QPointF at = map(s.corners[static_cast<std::size_t>(c)]);
    p.setPen(QPen(colours::kFault, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(at, 5.5, 5.5);
    drawLabel(p, at + QPointF(7, -7), QString::number(c + 1), Qt::AlignLeft | Qt::AlignBottom, colours::kFault);
  }
  p.restore();
}

void arrow(QPainter& p, const QPointF& from, const QPointF& to) {
  p.drawLine(from, to);
  const QPointF d = to - from;
  const double len = std::hypot(d.x(), d.y());
  if (len < 4) return;
  const QPointF u = d / len, n(-u.y(), u.x());
  QPolygonF head;
  head << to << to - 6 * u + 3 * n << to - 6 * u - 3 * n;
  p.save();
  p.setBrush(p.pen().color());
  p.setPen(Qt::NoPen);
  p.drawPolygon(head);
  p.restore();
}

// The phi-axis frame and, beside it with an orientation matrix, a*, b*, c*,
// as seen in this view.
void paintAxes(QPainter& p, const QRectF& rect, const View& view, const ModelScene& s) {
  const double len = 38;
  p.save();
  p.setFont(drawingFont(11, true));
  auto draw = [&](const QPointF& o, const Dir3& d, const QString& name, const QColor& colour) {
    p.setPen(QPen(colour, 1.8));
    const QPointF t = o + QPointF(len * dot(view.right, d), -len * dot(view.up, d));
    if (std::hypot(t.x() - o.x(), t.y() - o.y()) < 4) {
      // Along the line of sight: a dot for towards the viewer, a cross for away.
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(o, 5.0, 5.0);
      const bool towards = dot(view.out, d) > 0;
      if (towards) {
        p.setBrush(colour);
        p.drawEllipse(o, 1.5, 1.5);
      } else {
        p.drawLine(o + QPointF(-3.5, -3.5), o + QPointF(3.5, 3.5));
        p.drawLine(o + QPointF(-3.5, 3.5), o + QPointF(3.5, -3.5));
      }
      drawLabel(p, o + QPointF(8, -8), name, Qt::AlignLeft | Qt::AlignBottom, colour, false);
      return;
    }
    arrow(p, o, t);
    const QPointF u = (t - o) / std::hypot(t.x() - o.x(), t.y() - o.y());
    drawLabel(p, t + 9 * u, name, Qt::AlignHCenter | Qt::AlignVCenter, colour, false);
  };
  const QPointF frame(rect.left() + 62, rect.bottom() - 58);
  draw(frame, {1, 0, 0}, QStringLiteral("x"), QColor(200, 40, 40));
  draw(frame, {0, 1, 0}, QStringLiteral("y"), QColor(30, 140, 40));
  draw(frame, {0, 0, 1}, QStringLiteral("z"), QColor(40, 70, 200));
  if (s.reciprocal) {
    const QPointF reciprocal = frame + QPointF(120, 0);
    const char* names[] = {"a*", "b*", "c*"};
    for (int j = 0; j < 3; ++j)
      draw(reciprocal, s.reciprocalAxes[j], QString::fromLatin1(names[j]), QColor(90, 90, 90));
  }
  p.restore();
}

void paintScaleBar(QPainter& p, const QRectF& rect, double scale) {
  // The longest round length up to 140 pixels.
  double length = 1;
  for (double decade = 0.001; decade < 1e7; decade *= 10)
    for (double m : {1.0, 2.0, 5.0})
      if (m * decade * scale <= 140) length = m * decade;
  const double px = length * scale;
  const QPointF right(rect.right() - 16, rect.bottom() - 18);
  p.save();
  p.setPen(QPen(colours::kInk, 2.0));
  p.drawLine(right - QPointF(px, 0), right);
  p.drawLine(right - QPointF(px, 4), right - QPointF(px, -4));
  p.drawLine(right - QPointF(0, 4), right + QPointF(0, 4));
  p.setFont(drawingFont(11));
  drawLabel(p, right - QPointF(px / 2, 6), QStringLiteral("%1 \u00b5m").arg(length), Qt::AlignHCenter | Qt::AlignBottom,
            colours::kInk, false);
  p.restore();
}

QString describe(const ModelScene& s) {
  QString d;
  switch (s.body) {
    case Body::Polyhedron:
      d = QStringLiteral("%1 faces, %2 corners").arg(s.faces.size()).arg(s.corners.size());
      break;
    case Body::Sphere:
      d = QStringLiteral("sphere of radius %1 \u00b5m").arg(s.sphereRadius);
      break;
    case Body::FilledHole:
      d = QStringLiteral("crystal filling the gasket hole");
      break;
    case Body::None:
      d = QStringLiteral("no crystal model");
      break;
  }
  if (s.gasket)
    d += QStringLiteral("; culets at y = 0 and y = %1 \u00b5m, hole radius %2 \u00b5m").arg(s.thickness).arg(s.holeRadius);
  else if (s.cell)
    d += QStringLiteral("; culet of anvil 1 at y = 0");
  return d;
}

}  // namespace

double modelScale(const QRectF& rect, const ModelScene& scene) {
  const QRectF area = drawingArea(rect);
  return 0.5 * std::min(area.width(), area.height()) / scene.extent;
}

double paintModel(QPainter& p, const QRectF& rect, const ModelScene& scene, const View& view, const QString& title) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(rect, Qt::white);
  const QRectF area = drawingArea(rect);
  const Mapper map{view, area.center(), project(view, scene.centre), modelScale(rect, scene)};

  paintCulets(p, map, scene);
  if (scene.body == Body::FilledHole) {
    paintHole(p, map, scene, true);
  } else {
    if (scene.body == Body::Polyhedron) paintPolyhedron(p, map, scene);
    if (scene.body == Body::Sphere) paintSphere(p, map, scene);
    paintHole(p, map, scene, false);
  }
  paintMisplaced(p, map, scene);
  paintCuletLabels(p, map, scene);

  p.setFont(drawingFont(14, true));
  drawLabel(p, rect.topLeft() + QPointF(10, 6), title, Qt::AlignLeft | Qt::AlignTop, colours::kInk, false);
  p.setFont(drawingFont(11));
  drawLabel(p, rect.topLeft() + QPointF(10, 25), describe(scene), Qt::AlignLeft | Qt::AlignTop, colours::kInk, false);
  if (!scene.misplaced.empty()) {
    QStringList numbers;
    for (int c : scene.misplaced) numbers << QString::number(c + 1);
    drawLabel(p, QPointF(rect.left() + 10, area.top() + 4),
              QStringLiteral("Corners outside the gasket hole or in an anvil: %1").arg(numbers.join(QStringLiteral(", "))),
              Qt::AlignLeft | Qt::AlignTop, colours::kFault);
  }
  paintAxes(p, rect, view, scene);
  paintScaleBar(p, rect, map.scale);
  p.restore();
  return map.scale;
}

}  // namespace korvex::pictures
