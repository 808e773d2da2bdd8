// The program's icon: two diamond anvils with the crystal between them in
// the gasket, and the X-ray beam through the cell. Painted, so no image file
// has to travel with the program.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace korvex::gui {

QPixmap programPixmap(int size);
QIcon programIcon();

}  // namespace korvex::gui
