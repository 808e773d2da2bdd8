// The look shared by every picture: fonts, colours, the mapping of a value
// onto the colour scale, and text placed with a halo so that it stays
// legible over a drawing.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

#include "pictures/transmission_plots.hpp"

class QPainter;

namespace korvex::pictures {

// Fonts by pixel size, so that a picture looks the same on screen and in
// its files whatever the screen's resolution.
QFont drawingFont(int pixelSize, bool bold = false);

namespace colours {
inline const QColor kInk(30, 30, 30);
inline const QColor kGrid(215, 215, 215);
inline const QColor kCrystal(64, 150, 190);
inline const QColor kGasket(150, 125, 95);
inline const QColor kHole(70, 70, 70);
inline const QColor kFault(215, 30, 30);
inline const QColor kWritten(40, 90, 170);
inline const QColor kBeyondOpening(220, 60, 40);
inline const QColor kObscured(235, 150, 20);
inline const QColor kHighlight(0, 0, 0);
}  // namespace colours

// The colour of an illuminated fraction from 0 (dark violet) to 1 (yellow),
// a scale that reads the same in grey.
QColor fractionColour(double fraction);

// Text with its anchor at `at`: align as Qt::Alignment flags (left, right or
// centred; top, bottom or centred). A white halo keeps it legible.
void drawLabel(QPainter& p, const QPointF& at, const QString& text, int align, const QColor& colour = colours::kInk,
               bool halo = true);

// The marker of a reflection's point: written a blue dot, beyond an anvil's
// opening a red cross, obscured by the gasket an orange triangle.
void drawMarker(QPainter& p, const QPointF& at, PointKind kind);

}  // namespace korvex::pictures
