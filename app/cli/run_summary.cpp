#include "run_summary.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_dialog.hpp"
#include "reports/reports.hpp"
#include "run/file_selection.hpp"
#include "run/run.hpp"

namespace korvex::cli {

namespace {

// The statistics count F as written after the summary splits the written
// reflections into observed (NOUT) and less-thans (NLESS).
int writtenCount(const Run& run) { return run.counters.NOUT + run.counters.NLESS; }

int standardsCount(const RunStatistics& s) {
  int n = s.NSTDOTHER;
  for (int k : s.NSTD) n += k;
  return n;
}

// Transmission factors to four decimals, as a reader compares them, rather
// than the float's full binary expansion.
double rounded(float value) { return std::round(static_cast<double>(value) * 1.0e4) / 1.0e4; }

nlohmann::ordered_json range(float low, float high) { return {{"min", rounded(low)}, {"max", rounded(high)}}; }

std::string trimmed(const std::string& padded) {
  const auto end = padded.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : padded.substr(0, end + 1);
}

}  // namespace

std::string summaryLine(const Run& run, double seconds) {
  const int read = run.counters.NREAD;
  const int written = writtenCount(run);
  char text[256];
  std::snprintf(text, sizeof text, "korvex: %d reflections read, %d written, %d not written", read, written,
                read - written);
  std::string line = text;
  if (written > 0) {
    std::snprintf(text, sizeof text, "; transmission %.3f to %.3f", static_cast<double>(run.stats.TOTMIN),
                  static_cast<double>(run.stats.TOTMAX));
    line += text;
  }
  std::snprintf(text, sizeof text, "; %.2f s", seconds);
  return line + text;
}

bool writeSummaryJson(const std::string& path, const Run& run, const CliDialog& dialog, double seconds) {
  const bool halted = run.state.HALTED == 1;
  const ExperimentState& e = run.exp;
  const RunStatistics& s = run.stats;
  const ProcessingCounters& c = run.counters;
  const int written = writtenCount(run);

  nlohmann::ordered_json j;
  j["program"] = "korvex";
  j["version"] = KORVEX_VERSION;
  j["status"] = halted ? "halted" : "finished";
  if (halted) j["fatal_error"] = dialog.fatalMessage();
  j["warnings"] = dialog.warnings();
  j["seconds"] = std::round(seconds * 1000.0) / 1000.0;

  const std::array<const char*, 4> roles = {"experiment", "print", "input", "output"};
  const auto name = [](const std::filesystem::path& p) { return p.lexically_normal().string(); };
  nlohmann::ordered_json files;
  for (std::size_t n = 0; n < roles.size(); ++n)
    if (!run.state.openPath[n].empty()) files[roles[n]] = name(run.state.openPath[n]);
  if (!halted) files["cif"] = name(inRunFolder(run, cifFileName(trimmed(run.state.FILENAME[3]))));
  if (e.GRIDLIST != 0) files["grid_listing"] = name(inRunFolder(run, "KORVEX_GRID.LST"));
  j["files"] = files;

  if (!halted) {
    j["reflections"] = {{"read", c.NREAD},
                        {"written", written},
                        {"less_than", c.NLESS},
                        {"flagged_rejected", c.NREJ},
                        {"outside_two_theta_limits", c.NTTH},
                        {"standards", standardsCount(s)},
                        {"beyond_anvil_opening", c.NPSI},
                        {"obscured_by_gasket", c.NOBSC}};
    j["output_scale"] = c.OUTSCALE;
    nlohmann::ordered_json t;
    if (written > 0) {
      t["overall"] = range(s.TOTMIN, s.TOTMAX);
      if (e.CRYSABS == 1) t["crystal"] = range(s.XTLMIN, s.XTLMAX);
      if (e.DACTYPE != 0) t["anvils"] = range(s.DACMIN, s.DACMAX);
      if (e.DACTYPE != 0 && e.GASKGIVEN == 1) {
        t["gasket"] = range(s.GASMIN, s.GASMAX);
        t["medium"] = range(s.MEDMIN, s.MEDMAX);
      }
    }
    j["transmission"] = t;
  }

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << j.dump(2) << '\n';
  out.close();
  return static_cast<bool>(out);
}

}  // namespace korvex::cli
