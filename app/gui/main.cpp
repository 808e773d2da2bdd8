// korvex-gui: the desktop window. Takes no arguments (the files are chosen
// in the window); ends when the window is closed.
#include <QApplication>
#include <cstdio>

#include "main_window.hpp"
#include "program_icon.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // takes the toolkit's own options (-platform, ...)
  if (QApplication::arguments().size() > 1) {
    std::fprintf(stderr, "usage: korvex-gui\n  takes no arguments: the four files are chosen in the window\n");
    return 2;
  }
  QApplication::setApplicationName(QStringLiteral("Korvex"));
  QApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
  QApplication::setWindowIcon(korvex::gui::programIcon());
  korvex::gui::MainWindow window;
  window.exec();
  return 0;
}
