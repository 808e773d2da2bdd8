#include "run/run_sequence.hpp"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "experiment/experiment_reader.hpp"
#include "experiment/experiment_state.hpp"
#include "files/file_error.hpp"
#include "files/same_file.hpp"
#include "files/stop_request.hpp"
#include "fixedformat/edit_list.hpp"
#include "model/model_build.hpp"
#include "reflections/processing.hpp"
#include "reports/reports.hpp"
#include "run/controls.hpp"
#include "run/file_selection.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

const ff::EditList kInputFileRecord("(/,5X,'INPUT DATA FILE: ',A40)");
const ff::EditList kOutputFileRecord("(/,5X,'OUTPUT DATA FILE: ',A40)");

const char kGridListName[] = "KORVEX_GRID.LST";
// What a stopped run reports: it halts like a fatal error.
std::string stopMessage(int signal) {
  return "KORVEX STOPPED BY SIGNAL " + std::to_string(signal) + " BEFORE THE RUN FINISHED: EARLIER OUTPUT FILES KEPT";
}

const char kGridListLocked[] = " KORVEX_GRID.LST file is locked,no output will be written to this file";

void status(Run& run, const char* text) {
  run.ui.setText(ctl::kStatus, text);
  run.ui.redraw();
}

// Lines of the experiment file that no card took are ignored; the user is
// told of each, so that a misspelt keyword is seen. Also when the file then
// turns out incomplete, since the line skipped may be the reason.
void noteUnreadLines(Run& run) {
  for (const UnreadLine& u : run.exp.unreadLines)
    run.ui.note("line " + std::to_string(u.line) + " not read as a card: " + u.text);
}

// The CIF fragment and the grid listing are made in the run's folder under
// names of their own; a name that leads to one of the run's own files would
// replace it. Refused before anything is written.
void refuseDerivedOverRunFiles(const Run& run, bool withCif) {
  static const char* const kRoles[4] = {"EXPERIMENT FILE", "PRINT FILE", "INPUT DATA FILE", "OUTPUT DATA FILE"};
  const RunState& s = run.state;
  std::vector<std::pair<const char*, std::filesystem::path>> derived{
      {"GRID LISTING FILE ", inRunFolder(run, kGridListName)}};
  if (withCif && s.FILESET[3] == 1)
    derived.emplace_back("CIF FILE ", inRunFolder(run, cifFileName(s.FILENAME[3])));
  for (const auto& [what, path] : derived)
    for (std::size_t k = 0; k < 4; ++k)
      if (s.FILESET[k] == 1 && files::sameFile(path, s.openPath[k]))
        error(what + path.filename().string() + " WOULD REPLACE THE " + kRoles[k] + " OF THIS RUN");
}

int experimentAndPrint(const RunState& s) { return s.FILESET[0] + s.FILESET[1]; }
int reflectionFiles(const RunState& s) { return s.FILESET[2] + s.FILESET[3]; }

// The body of Build Model; a fatal error leaves it by FatalError.
void build(Run& run, const RunStages& stages) {
  for (int control : {ctl::kBuildModel, ctl::kRun, ctl::kReset, ctl::kExit}) run.ui.setEnabled(control, false);
  status(run, "READING EXP FILE");
  stages.writeHeader(run);

  // Every read starts from the program-start state, so that nothing of an
  // earlier experiment file (gasket, cell volume, anvil dimensions) carries
  // over into the next crystal; the reader then applies its own reset values.
  run.exp = ExperimentState{};
  try {
    stages.readCrystalData(run);
  } catch (...) {
    noteUnreadLines(run);
    throw;
  }
  noteUnreadLines(run);
  status(run, "CRYSTAL DATA READ IN");

  if (run.exp.GRIDLIST != 0 && !run.files.grid.open(inRunFolder(run, kGridListName), false, run.stop)) {
    warning(run, kGridListLocked);
    run.exp.GRIDLIST = 0;
  }
  files::stopIfRequested(run.stop);
  stages.buildModel(run);
  checkRun(run);
}

void runData(Run& run, const RunStages& stages) {
  RunState& s = run.state;
  refuseDerivedOverRunFiles(run, true);
  if (s.MODELBUILT != 1) build(run, stages);

  run.files.print.write(kInputFileRecord, {s.FILENAME[2]});
  run.files.print.write(kOutputFileRecord, {s.FILENAME[3]});

  if (const auto format = formatFromName(3, s.FILENAME[2]))
    s.IFORMIN = *format;
  else
    stages.getFormat(run, 3);
  if (s.IFORMIN == 1) {
    // SHELX input carries direction cosines, which only the orientation
    // matrix and its axial system turn into beam directions.
    if (run.exp.NUB != 3) error("UB MISSING FROM EXP FILE - NEEDED TO CONVERT DIRECTION COSINES IN HKL FILE");
    const auto& b = run.exp.BLAXES;
    if (std::abs(b[0]) + std::abs(b[1]) + std::abs(b[2]) != 6)
      error("NEED BLAXES CARD TO INTERPRET DIRECTION COSINES ON REFLECTION DATA FILE, "
            "BUT BLAXES HAS INVALID INFORMATION OR IS ABSENT");
  }
  if (const auto format = formatFromName(4, s.FILENAME[3]))
    s.IFORMOUT = *format;
  else
    stages.getFormat(run, 4);

  run.ui.setText(ctl::kStatus, "PROCESSING DATA");
  for (int control : {ctl::kRun, ctl::kReset, ctl::kExit, ctl::kViewPrint, ctl::kViewCif, ctl::kViewOutput})
    run.ui.setEnabled(control, false);
  run.ui.redraw();
  files::stopIfRequested(run.stop);
  stages.processData(run);

  status(run, "PROCESSING COMPLETE WRITING CIF FILE");
  stages.writeCifKorvex(run);

  // Only now do the new files replace the earlier ones.
  files::stopIfRequested(run.stop);
  run.files.commit();
  status(run, "KORVEX FINISHED SUCCESSFULLY");
  closeProgram(run);
  run.ui.setEnabled(ctl::kViewOutput, true);
  run.ui.setEnabled(ctl::kViewCif, true);
}

// The one catch site per entry point. Anything other than a fatal error is
// a fault of the program; it is reported the same way, so that it reaches
// the print file and the user and the run is closed, rather than escaping
// into the window toolkit or ending the command line without a word.
template <typename Body>
void guarded(Run& run, Body&& body) {
  try {
    body();
  } catch (const FatalError& fatal) {
    reportFatal(run, fatal);
  } catch (const files::FileError& failed) {
    reportFatal(run, FatalError(failed.what()));
  } catch (const files::Stopped& stopped) {
    reportFatal(run, FatalError(stopMessage(stopped.signal())));
  } catch (const std::exception& e) {
    reportFatal(run, FatalError(std::string("INTERNAL ERROR: ") + e.what()));
  } catch (...) {
    reportFatal(run, FatalError("INTERNAL ERROR"));
  }
}

}  // namespace

RunStages::RunStages()
    : writeHeader(korvex::writeHeader),
      readCrystalData(korvex::readCrystalData),
      buildModel(korvex::buildModel),
      getFormat(korvex::getFormat),
      processData(korvex::processData),
      writeCifKorvex(korvex::writeCifKorvex) {}

void checkRun(Run& run) {
  DialogLayer& ui = run.ui;
  const RunState& s = run.state;
  ui.setEnabled(ctl::kReset, true);
  ui.setEnabled(ctl::kExit, true);
  if (experimentAndPrint(s) != 2) {
    ui.setEnabled(ctl::kBuildModel, false);
    ui.setText(ctl::kStatus, "SELECT FILES");
    ui.setEnabled(ctl::kRun, false);
    return;
  }
  const bool built = s.MODELBUILT == 1;
  const bool data = reflectionFiles(s) == 2;
  ui.setEnabled(ctl::kRun, data);
  ui.setEnabled(ctl::kBuildModel, !built);
  if (built) ui.setEnabled(ctl::kViewPrint, true);
  const char* text = built ? (data ? "CRYSTAL MODEL BUILT - RUN PROGRAM" : "CRYSTAL MODEL BUILT - SELECT DATA FILES")
                           : (data ? "BUILD MODEL OR RUN PROGRAM" : "SELECT DATA FILES or BUILD MODEL");
  ui.setText(ctl::kStatus, text);
}

void runBuild(Run& run, const RunStages& stages) {
  // Build Model is disabled unless the experiment and print files are open,
  // and for good once the run has ended.
  if (run.state.ended || run.state.HALTED == 1 || experimentAndPrint(run.state) != 2) return;
  guarded(run, [&] {
    refuseDerivedOverRunFiles(run, false);
    build(run, stages);
    // A finished build is complete: its grid listing replaces the earlier one.
    run.files.grid.commit();
  });
}

void runProg(Run& run, const RunStages& stages) {
  // Run is disabled unless all four files are open, and for good once the
  // run has ended.
  const RunState& s = run.state;
  if (s.ended || s.HALTED == 1 || experimentAndPrint(s) + reflectionFiles(s) != 4) return;
  guarded(run, [&] { runData(run, stages); });
}

void runCheck(Run& run, const RunStages& stages) {
  if (run.state.ended || run.state.HALTED == 1 || run.state.FILESET[0] != 1) return;
  guarded(run, [&] {
    run.exp = ExperimentState{};
    stages.readCrystalData(run);
    stages.buildModel(run);
  });
}

void closeProgram(Run& run) {
  DialogLayer& ui = run.ui;
  for (int slot = 1; slot <= 4; ++slot) ui.setEnabled(ctl::browseOf(slot), false);
  ui.setEnabled(ctl::kReset, false);
  ui.setEnabled(ctl::kBuildModel, false);
  ui.setEnabled(ctl::kRun, false);
  ui.setEnabled(ctl::kViewPrint, true);
  ui.setEnabled(ctl::kExit, true);
  // Units 3, 4, 1, 2, then the derived files. After a fatal error the files
  // that were to replace earlier ones are removed, and the earlier ones stay.
  if (run.state.HALTED == 1) run.files.abandon();
  else run.files.close();
  run.state.ended = true;
}

void leaveProgram(Run& run) {
  if (!run.state.ended) guarded(run, [&] { closeProgram(run); });
}

void resetFiles(Run& run) {
  if (run.state.ended) return;  // Reset is disabled once the run has ended
  RunState& s = run.state;
  DialogLayer& ui = run.ui;
  for (int slot = 1; slot <= 4; ++slot) {
    s.FILESET[slot - 1] = 0;
    s.FILENAME[slot - 1] = ff::padded("", kFileNameLength);
  }
  s.MODELBUILT = 0;
  // The files stay connected to their units until a slot is chosen again.
  for (int slot = 1; slot <= 4; ++slot) ui.setText(ctl::labelOf(slot), "No file selected");
  ui.setEnabled(ctl::kBuildModel, false);
  ui.setEnabled(ctl::kRun, false);
  for (int slot = 1; slot <= 4; ++slot) ui.setEnabled(ctl::browseOf(slot), true);
  ui.setEnabled(ctl::kViewPrint, false);
  ui.setEnabled(ctl::kViewOutput, false);
  ui.setEnabled(ctl::kViewCif, false);
  ui.setText(ctl::kStatus, "SELECT FILES");
}

}  // namespace korvex
