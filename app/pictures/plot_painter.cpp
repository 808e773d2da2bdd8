#include "plot_painter.hpp"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "drawing_style.hpp"

namespace korvex::pictures {

namespace {

constexpr double kPageTitleBand = 30;
constexpr double kLegendBand = 26;

int decimalsFor(double step) {
  int d = 0;
  while (d < 6 && std::fabs(step * std::pow(10.0, d) - std::round(step * std::pow(10.0, d))) > 1e-6) ++d;
  return d;
}

// The frame of a panel: maps data onto pixels inside `plot`.
struct Frame {
  QRectF plot;
  Axis x, y;
  QPointF operator()(double vx, double vy) const {
    return {plot.left() + (vx - x.min) / (x.max - x.min) * plot.width(),
            plot.bottom() - (vy - y.min) / (y.max - y.min) * plot.height()};
  }
};

// Axes, ticks, grid lines and labels; returns the frame of the plot area.
Frame paintAxes(QPainter& p, const QRectF& box, const Axis& x, const Axis& y, const QString& title) {
  p.save();
  p.setFont(drawingFont(10));
  const QFontMetricsF m(p.font());
  const int dy = decimalsFor(y.step), dx = decimalsFor(x.step);
  double labelWidth = 0;
  for (double v = y.min; v <= y.max + y.step / 2; v += y.step)
    labelWidth = std::max(labelWidth, m.horizontalAdvance(QString::number(v, 'f', dy)));

  const double top = box.top() + 18, bottom = box.bottom() - 2 * m.height() - 6;
  const Frame f{QRectF(QPointF(box.left() + labelWidth + 10, top), QPointF(box.right() - 10, bottom)), x, y};
  // Every tick gets a grid line; labels only as densely as they fit.
  const int ny = static_cast<int>(std::lround((y.max - y.min) / y.step));
  const int nx = static_cast<int>(std::lround((x.max - x.min) / x.step));
  const double yPixels = f.plot.height() / std::max(ny, 1);
  double xLabelWidth = 0;
  for (int i = 0; i <= nx; ++i)
    xLabelWidth = std::max(xLabelWidth, m.horizontalAdvance(QString::number(x.min + i * x.step, 'f', dx)));
  const double xPixels = f.plot.width() / std::max(nx, 1);
  const int yEvery = std::max(1, static_cast<int>(std::ceil(1.2 * m.height() / yPixels)));
  const int xEvery = std::max(1, static_cast<int>(std::ceil((xLabelWidth + 8) / xPixels)));
  p.setPen(QPen(colours::kGrid, 1.0));
  for (int i = 0; i <= ny; ++i) p.drawLine(f(x.min, y.min + i * y.step), f(x.max, y.min + i * y.step));
  for (int i = 0; i <= nx; ++i) p.drawLine(f(x.min + i * x.step, y.min), f(x.min + i * x.step, y.max));
  p.setPen(QPen(colours::kInk, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(f.plot);
  for (int i = 0; i <= ny; i += yEvery) {
    const double v = y.min + i * y.step;
    drawLabel(p, f(x.min, v) - QPointF(4, 0), QString::number(v, 'f', dy), Qt::AlignRight | Qt::AlignVCenter,
              colours::kInk, false);
  }
  for (int i = 0; i <= nx; i += xEvery) {
    const double v = x.min + i * x.step;
    drawLabel(p, f(v, y.min) + QPointF(0, 3), QString::number(v, 'f', dx), Qt::AlignHCenter | Qt::AlignTop, colours::kInk,
              false);
  }
  drawLabel(p, QPointF(f.plot.center().x(), box.bottom() - 2), QString::fromStdString(x.label),
            Qt::AlignHCenter | Qt::AlignBottom, colours::kInk, false);
  p.setFont(drawingFont(11, true));
  drawLabel(p, QPointF(f.plot.left(), box.top() + 1), title, Qt::AlignLeft | Qt::AlignTop, colours::kInk, false);
  p.restore();
  return f;
}

void paintLegend(QPainter& p, const QRectF& rect, const PlotPage& page) {
  int counts[3] = {0, 0, 0};
  if (!page.panels.empty())
    for (const PlotPoint& pt : page.panels.front().points) ++counts[static_cast<int>(pt.kind)];
  const char* names[] = {"written", "beyond an anvil's opening (D)", "obscured by the gasket (O, not D)"};
  p.save();
  p.setFont(drawingFont(11));
  const QFontMetricsF m(p.font());
  double x = rect.left() + 14;
  const double y = rect.bottom() - kLegendBand / 2;
  for (int k = 0; k < 3; ++k) {
    drawMarker(p, QPointF(x + 4, y), static_cast<PointKind>(k));
    const QString text = QStringLiteral("%1: %2").arg(QString::fromLatin1(names[k])).arg(counts[k]);
    drawLabel(p, QPointF(x + 12, y), text, Qt::AlignLeft | Qt::AlignVCenter, colours::kInk, false);
    x += 12 + m.horizontalAdvance(text) + 24;
  }
  p.restore();
}

}  // namespace

std::vector<PointPlace> paintPlotPage(QPainter& p, const QRectF& rect, const PlotPage& page, int selected) {
  std::vector<PointPlace> places;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(rect, Qt::white);
  p.setFont(drawingFont(14, true));
  drawLabel(p, rect.topLeft() + QPointF(10, 6), QString::fromStdString(page.title), Qt::AlignLeft | Qt::AlignTop,
            colours::kInk, false);
  if (page.panels.empty()) {
    p.restore();
    return places;
  }
  const int columns = std::max(1, page.columns);
  const int rows = static_cast<int>((page.panels.size() + columns - 1) / columns);
  const QRectF body = rect.adjusted(6, kPageTitleBand, -6, -kLegendBand);
  const double w = body.width() / columns, h = body.height() / rows;
  for (std::size_t n = 0; n < page.panels.size(); ++n) {
    const PlotPanel& panel = page.panels[n];
    const int row = static_cast<int>(n) / columns, col = static_cast<int>(n) % columns;
    const QRectF box(body.left() + col * w, body.top() + row * h, w, h);
    const Frame f = paintAxes(p, box.adjusted(4, 2, -4, -4), panel.x, panel.y, QString::fromStdString(panel.title));
    p.save();
    p.setClipRect(f.plot.adjusted(-4, -4, 4, 4));
    for (double mark : panel.xMarks) {
      p.setPen(QPen(QColor(120, 120, 120), 1.2, Qt::DashLine));
      p.drawLine(f(mark, panel.y.min), f(mark, panel.y.max));
      p.setFont(drawingFont(10));
      drawLabel(p, f(mark, panel.y.max) + QPointF(-3, 2), QString::fromStdString(panel.markLabel),
                Qt::AlignRight | Qt::AlignTop, QColor(90, 90, 90));
    }
    // Written reflections first, so that the few D and O stay visible.
    for (PointKind kind : {PointKind::Written, PointKind::Obscured, PointKind::BeyondOpening})
      for (const PlotPoint& pt : panel.points) {
        if (pt.kind != kind) continue;
        const QPointF at = f(pt.x, pt.y);
        drawMarker(p, at, kind);
        places.push_back({at, pt.reflection});
      }
    for (const PlotPoint& pt : panel.points)
      if (pt.reflection == selected) {
        p.setPen(QPen(colours::kHighlight, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(f(pt.x, pt.y), 6.0, 6.0);
      }
    p.restore();
  }
  paintLegend(p, rect, page);
  p.restore();
  return places;
}

void paintHistogram(QPainter& p, const QRectF& rect, const Histogram& h) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(rect, Qt::white);
  p.setFont(drawingFont(14, true));
  drawLabel(p, rect.topLeft() + QPointF(10, 6),
            QStringLiteral("Correction factor 1/T of the %1 written reflections").arg(h.total), Qt::AlignLeft | Qt::AlignTop,
            colours::kInk, false);
  const int most = h.counts.empty() ? 0 : *std::max_element(h.counts.begin(), h.counts.end());
  const Axis y = roundAxis(0, std::max(most, 1), "reflections");
  const Frame f = paintAxes(p, rect.adjusted(10, kPageTitleBand, -10, -8), h.x, y, QStringLiteral("reflections"));
  p.setPen(QPen(colours::kWritten.darker(140), 1.0));
  p.setBrush(colours::kWritten.lighter(130));
  for (std::size_t b = 0; b < h.counts.size(); ++b) {
    if (h.counts[b] == 0) continue;
    const double lo = h.x.min + static_cast<double>(b) * h.binWidth;
    p.drawRect(QRectF(f(lo, h.counts[b]), f(lo + h.binWidth, 0)));
  }
  p.restore();
}

int reflectionAt(const std::vector<PointPlace>& places, const QPointF& at, double radius) {
  int best = -1;
  double bestDistance = radius;
  for (const PointPlace& place : places) {
    const double d = std::hypot(place.at.x() - at.x(), place.at.y() - at.y());
    if (d <= bestDistance) {
      bestDistance = d;
      best = place.reflection;
    }
  }
  return best;
}

}  // namespace korvex::pictures
