#include "cli_plots.hpp"

#include <QGuiApplication>
#include <iostream>

#include "picture_files.hpp"
#include "run/run.hpp"

namespace korvex::cli {

namespace {

// Qt's own notes (about the session's runtime folder, say) mean nothing to a
// user of the command line; what matters is said by the program.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << "korvex: " << message.toStdString() << '\n';
}

}  // namespace

bool plotsAvailable(std::string&) { return true; }

bool writePlots(const Run& run, bool dataCorrected, const std::filesystem::path& dir, bool quiet) {
  // Fonts need an application object; the offscreen platform needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const QtMessageHandler previous = qInstallMessageHandler(quietQt);
  static int argc = 1;
  static char name[] = "korvex";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);

  std::vector<pictures::Picture> all = pictures::modelPictures(run.exp);
  if (run.state.HALTED == 1) {
    if (!all.empty()) std::cerr << "korvex: the run halted: the model is drawn as it stood\n";
  } else {
    auto more = dataCorrected ? pictures::runPictures(run.exp, run.listed) : pictures::shadowMapPictures(run.exp, nullptr);
    for (auto& p : more) all.push_back(std::move(p));
  }
  bool written = true;
  if (all.empty()) {
    std::cerr << "korvex: --plots: nothing to draw (no crystal model or cell was built)\n";
  } else {
    std::string error;
    const auto files = pictures::writePictures(dir, all, error);
    if (!error.empty()) {
      std::cerr << "korvex: --plots: " << error << '\n';
      written = false;
    } else if (!quiet) {
      std::cout << "pictures: " << files.size() / 2 << " in " << dir.string() << " (SVG and PNG)\n";
    }
  }
  qInstallMessageHandler(previous);
  return written;
}

}  // namespace korvex::cli
