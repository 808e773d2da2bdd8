// korvex-gui: the desktop window. Takes no arguments; ends when the window
// is closed.
#include <QApplication>

#include "main_window.hpp"
#include "program_icon.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvex"));
  QApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
  QApplication::setWindowIcon(korvex::gui::programIcon());
  korvex::gui::MainWindow window;
  window.exec();
  return 0;
}
