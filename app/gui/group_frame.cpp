#include "group_frame.hpp"

#include <QPainter>

namespace korvex::gui {

void GroupFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetrics fm = fontMetrics();
  const int top = fm.height() / 2;
  const QRect frame = rect().adjusted(0, top, -2, -2);
  const int indent = fm.averageCharWidth();
  const int titleWidth = title().isEmpty() ? 0 : fm.horizontalAdvance(title()) + 4;

  // Etched: a dark line with a light one beside it.
  for (const auto& [offset, role] : {std::pair{1, QPalette::Light}, std::pair{0, QPalette::Mid}}) {
    p.setPen(palette().color(role));
    const QRect r = frame.translated(offset, offset);
    p.drawLine(r.left(), r.top(), r.left() + indent - 1, r.top());
    p.drawLine(r.left() + indent + titleWidth, r.top(), r.right(), r.top());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
  }
  if (!title().isEmpty()) {
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(QRect(indent + 2, 0, titleWidth, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, title());
  }
}

}  // namespace korvex::gui
