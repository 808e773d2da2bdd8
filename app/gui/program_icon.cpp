#include "program_icon.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace korvex::gui {

QPixmap programPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  // Background disc.
  p.setPen(QPen(QColor(40, 60, 110), 2));
  p.setBrush(QColor(225, 235, 250));
  p.drawEllipse(QRectF(2, 2, 60, 60));

  // Gasket: the metal plate between the anvils, with its hole.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(120, 120, 130));
  p.drawRect(QRectF(6, 29, 18, 6));
  p.drawRect(QRectF(40, 29, 18, 6));

  // The two anvils, culet to culet.
  p.setPen(QPen(QColor(30, 70, 140), 1.5));
  p.setBrush(QColor(150, 200, 240));
  p.drawPolygon(QPolygonF({QPointF(14, 8), QPointF(50, 8), QPointF(38, 29), QPointF(26, 29)}));
  p.drawPolygon(QPolygonF({QPointF(26, 35), QPointF(38, 35), QPointF(50, 56), QPointF(14, 56)}));

  // The crystal in the gasket hole.
  p.setPen(QPen(QColor(120, 20, 20), 1));
  p.setBrush(QColor(220, 50, 50));
  p.drawPolygon(QPolygonF({QPointF(29, 32), QPointF(32, 29.5), QPointF(35, 32), QPointF(32, 34.5)}));

  // Incident and diffracted beam.
  p.setPen(QPen(QColor(240, 150, 0), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(32, 4), QPointF(32, 30));
  p.drawLine(QPointF(32, 34), QPointF(46, 60));
  return pixmap;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(programPixmap(size));
  return icon;
}

}  // namespace korvex::gui
