#include "drawing_style.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>

namespace korvex::pictures {

QFont drawingFont(int pixelSize, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

QColor fractionColour(double fraction) {
  // A few stops of a perceptually even violet-to-yellow scale.
  static const std::array<std::array<int, 3>, 6> kStops{{{48, 18, 59},
                                                         {70, 60, 150},
                                                         {40, 120, 150},
                                                         {40, 170, 120},
                                                         {160, 210, 60},
                                                         {250, 235, 90}}};
  const double t = std::clamp(fraction, 0.0, 1.0) * (kStops.size() - 1);
  const std::size_t i = std::min(static_cast<std::size_t>(t), kStops.size() - 2);
  const double u = t - static_cast<double>(i);
  auto mix = [&](int c) { return static_cast<int>(std::lround(kStops[i][c] * (1 - u) + kStops[i + 1][c] * u)); };
  return QColor(mix(0), mix(1), mix(2));
}

void drawLabel(QPainter& p, const QPointF& at, const QString& text, int align, const QColor& colour, bool halo) {
  const QFontMetricsF m(p.font());
  const double w = m.horizontalAdvance(text), h = m.height();
  double x = at.x(), y = at.y();
  if (align & Qt::AlignRight) x -= w;
  else if (align & Qt::AlignHCenter) x -= w / 2;
  if (align & Qt::AlignBottom) y -= h;
  else if (align & Qt::AlignVCenter) y -= h / 2;
  if (halo) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(QRectF(x - 2, y, w + 4, h), 2, 2);
    p.restore();
  }
  p.save();
  p.setPen(colour);
  p.drawText(QPointF(x, y + m.ascent()), text);
  p.restore();
}

void drawMarker(QPainter& p, const QPointF& at, PointKind kind) {
  p.save();
  switch (kind) {
    case PointKind::Written:
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(colours::kWritten.red(), colours::kWritten.green(), colours::kWritten.blue(), 170));
      p.drawEllipse(at, 2.3, 2.3);
      break;
    case PointKind::BeyondOpening:
      p.setPen(QPen(colours::kBeyondOpening, 1.6));
      p.drawLine(at + QPointF(-3, -3), at + QPointF(3, 3));
      p.drawLine(at + QPointF(-3, 3), at + QPointF(3, -3));
      break;
    case PointKind::Obscured: {
      p.setPen(QPen(colours::kObscured.darker(130), 1.0));
      p.setBrush(colours::kObscured);
      QPolygonF t;
      t << at + QPointF(0, -3.8) << at + QPointF(3.3, 2.4) << at + QPointF(-3.3, 2.4);
      p.drawPolygon(t);
      break;
    }
  }
  p.restore();
}

}  // namespace korvex::pictures
