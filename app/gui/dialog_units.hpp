// Dialog units: the font-relative coordinates in which the window and its
// boxes are laid out. One horizontal unit is a quarter of the font's average
// character width, one vertical unit an eighth of its height, so the layout
// keeps its proportions whatever the font.
#pragma once

#include <QFont>
#include <QRect>

namespace korvex::gui {

// (a * b) / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c);

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

  int baseX() const { return baseX_; }  // average character width, pixels
  int baseY() const { return baseY_; }  // font height, pixels
  int x(int du) const { return mulDiv(du, baseX_, 4); }
  int y(int du) const { return mulDiv(du, baseY_, 8); }
  QRect rect(int x, int y, int w, int h) const { return QRect(this->x(x), this->y(y), this->x(w), this->y(h)); }

 private:
  int baseX_;
  int baseY_;
};

}  // namespace korvex::gui
