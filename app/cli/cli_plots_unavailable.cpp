// The command line built without Qt: --plots says what it needs.
#include "cli_plots.hpp"

namespace korvex::cli {

bool plotsAvailable(std::string& why) {
  why = "this korvex was built without Qt 6 Gui and Svg, which draw the pictures "
        "(install qt6-base-dev and qt6-svg-dev and build again)";
  return false;
}

bool writePlots(const Run&, bool, const std::filesystem::path&, bool) { return false; }

}  // namespace korvex::cli
