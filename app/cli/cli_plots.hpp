// --plots DIR: the pictures of the model and of the run as SVG and PNG files.
// Drawn offscreen with Qt, so no display is needed; a build without Qt keeps
// the rest of the command line and says here why the pictures are missing.
#pragma once

#include <filesystem>
#include <string>

namespace korvex {
struct Run;
}

namespace korvex::cli {

// Whether this build can draw pictures; if not, why not.
bool plotsAvailable(std::string& why);

// Writes the pictures the run has to dir: the model after a build (also when
// the build stopped at the checks of the crystal's fit into the cell), the
// shadow map, and when the data were corrected the plots, with the data's
// beams on the shadow map. Says on standard output what it wrote (unless
// quiet). Returns false when a file could not be written (said on standard
// error).
bool writePlots(const Run& run, bool dataCorrected, const std::filesystem::path& dir, bool quiet);

}  // namespace korvex::cli
