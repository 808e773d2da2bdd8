#include "dialog_units.hpp"

#include <QFontMetrics>
#include <QString>
#include <cstdlib>

namespace korvex::gui {

int mulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  const long long p = static_cast<long long>(a) * b;
  const long long q = c;
  const bool negative = (p < 0) != (q < 0);
  const long long r = (std::llabs(p) * 2 + std::llabs(q)) / (std::llabs(q) * 2);
  return static_cast<int>(negative ? -r : r);
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width is taken over the 52 letters, rounded as the dialog
  // manager rounds it: half the width of two letters, to the nearest pixel.
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = (letters / 26 + 1) / 2;
  baseY_ = metrics.height();
  if (baseX_ < 1) baseX_ = 1;
  if (baseY_ < 1) baseY_ = 1;
}

}  // namespace korvex::gui
