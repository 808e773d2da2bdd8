// Build Model, Run, Reset and the end of the run, with stand-in stages that
// log themselves to the print file so that the order of calls is visible.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "fixedformat/edit_list.hpp"
#include "run/controls.hpp"
#include "run/file_selection.hpp"
#include "run/run_sequence.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

const ff::EditList kStageLog("(1X,A,' [',A,']')");

// One log line: the stage and the status line at the time of the call.
void logStage(Run& run, const char* name) {
  auto& dialog = dynamic_cast<test::RecordingDialog&>(run.ui);
  run.files.print.write(kStageLog, {name, dialog.text[ctl::kStatus]});
}

void header(Run& run) { logStage(run, "header"); }
void read(Run& run) { logStage(run, "read"); }
void readUbAndAxes(Run& run) {
  logStage(run, "read");
  run.exp.NUB = 3;
  run.exp.BLAXES = {2, -1, 3};
}
void readBadAxes(Run& run) {
  readUbAndAxes(run);
  run.exp.BLAXES = {1, 2, 2};
}
void readGridList(Run& run) {
  logStage(run, "read");
  run.exp.GRIDLIST = 1;
}
void readSeesCleanState(Run& run) {
  logStage(run, run.exp.CELLVOL == 0.0f && run.exp.GASKGIVEN == 0 ? "read clean" : "read stale");
}
void model(Run& run) {
  logStage(run, "model");
  run.state.MODELBUILT = 1;
}
void modelFails(Run& run) {
  logStage(run, "model");
  error("CRYSTAL MODEL DOES NOT FIT INTO GASKET HOLE");
}
void modelThrows(Run&) { throw std::runtime_error("bad table index"); }
void format(Run& run, int slot) {
  logStage(run, slot == 3 ? "format 3" : "format 4");
  getFormat(run, slot);
}
void process(Run& run) { logStage(run, "process"); }
void cif(Run& run) { logStage(run, "cif"); }

RunStages stages(RunStages::Stage reader = read, RunStages::Stage builder = model) {
  RunStages s;
  s.writeHeader = header;
  s.readCrystalData = reader;
  s.buildModel = builder;
  s.getFormat = format;
  s.processData = process;
  s.writeCifKorvex = cif;
  return s;
}

// A run with all four files chosen (the print file captured).
struct FourFiles : test::TestRun {
  explicit FourFiles(const char* in = "fo.int", const char* out = "fo.abs") {
    run.state.FILESET = {1, 1, 1, 1};
    run.state.FILENAME[2] = ff::padded(in, kFileNameLength);
    run.state.FILENAME[3] = ff::padded(out, kFileNameLength);
  }
};

std::string dataFileRecords(const char* in, const char* out) {
  return "\n    INPUT DATA FILE: " + ff::padded(in, 40) + "\n\n    OUTPUT DATA FILE: " + ff::padded(out, 40) + "\n";
}

TEST(CheckRun, ButtonsAndStatusFollowTheFilesAndTheModel) {
  struct Row {
    std::array<int, 4> fileset;
    int built;
    bool run, build;
    int viewPrint;  // -1 left as it was
    const char* status;
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, 0, false, false, -1, "SELECT FILES"},
      {{1, 0, 1, 1}, 0, false, false, -1, "SELECT FILES"},
      {{0, 1, 1, 1}, 1, false, false, -1, "SELECT FILES"},
      {{1, 1, 1, 1}, 0, true, true, -1, "BUILD MODEL OR RUN PROGRAM"},
      {{1, 1, 1, 1}, 1, true, false, 1, "CRYSTAL MODEL BUILT - RUN PROGRAM"},
      {{1, 1, 1, 0}, 0, false, true, -1, "SELECT DATA FILES or BUILD MODEL"},
      {{1, 1, 0, 0}, 0, false, true, -1, "SELECT DATA FILES or BUILD MODEL"},
      {{1, 1, 0, 1}, 1, false, false, 1, "CRYSTAL MODEL BUILT - SELECT DATA FILES"},
  };
  for (const Row& row : rows) {
    for (bool viewBefore : {false, true}) {
      SCOPED_TRACE(std::string(row.status) + (viewBefore ? ", view enabled before" : ""));
      test::TestRun t;
      t.run.state.FILESET = row.fileset;
      t.run.state.MODELBUILT = row.built;
      t.dialog.enabled[ctl::kViewPrint] = viewBefore;
      t.dialog.enabled[ctl::kRun] = !row.run;
      t.dialog.enabled[ctl::kBuildModel] = !row.build;
      checkRun(t.run);
      EXPECT_EQ(t.dialog.enabled[ctl::kRun], row.run);
      EXPECT_EQ(t.dialog.enabled[ctl::kBuildModel], row.build);
      EXPECT_EQ(t.dialog.enabled[ctl::kViewPrint], row.viewPrint < 0 ? viewBefore : row.viewPrint == 1);
      EXPECT_TRUE(t.dialog.enabled[ctl::kReset]);
      EXPECT_TRUE(t.dialog.enabled[ctl::kExit]);
      EXPECT_EQ(t.dialog.text[ctl::kStatus], row.status);
    }
  }
}

TEST(RunBuild, StagesInOrderThenTheButtonsOfABuiltModel) {
  test::TestRun t;
  t.run.state.FILESET = {1, 1, 0, 0};
  runBuild(t.run, stages());
  EXPECT_EQ(t.printText(), "header [READING EXP FILE]\nread [READING EXP FILE]\nmodel [CRYSTAL DATA READ IN]\n");
  EXPECT_EQ(t.dialog.statusHistory, (std::vector<std::string>{"READING EXP FILE", "CRYSTAL DATA READ IN",
                                                              "CRYSTAL MODEL BUILT - SELECT DATA FILES"}));
  EXPECT_GE(t.dialog.redraws, 2);
  EXPECT_EQ(t.run.state.MODELBUILT, 1);
  EXPECT_FALSE(t.dialog.enabled[ctl::kBuildModel]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kRun]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kExit]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kViewPrint]);
  EXPECT_FALSE(t.run.state.ended);  // a build leaves the run open for Run
}

TEST(RunBuild, EveryReadStartsFromTheProgramStartState) {
  test::TestRun t;
  t.run.state.FILESET = {1, 1, 0, 0};
  t.run.exp.CELLVOL = 160.5f;  // left by an earlier experiment file
  t.run.exp.GASKGIVEN = 1;
  runBuild(t.run, stages(readSeesCleanState));
  EXPECT_NE(t.printText().find("read clean"), std::string::npos);
}

TEST(RunBuild, GridListingOpenedInTheRunFolderOrWarned) {
  test::TempDir dir;
  {
    test::TestRun t;
    t.run.state.FILESET = {1, 1, 0, 0};
    t.run.state.folder = dir.path();
    runBuild(t.run, stages(readGridList));
    EXPECT_FALSE(t.run.files.grid.isOpen());  // a finished build puts its listing in place
    EXPECT_TRUE(std::filesystem::exists(dir / "KORVEX_GRID.LST"));
    EXPECT_EQ(t.run.exp.GRIDLIST, 1);
  }
  test::TestRun t;
  t.run.state.FILESET = {1, 1, 0, 0};
  t.run.state.folder = dir / "no such folder";
  runBuild(t.run, stages(readGridList));
  const std::string locked = " KORVEX_GRID.LST file is locked,no output will be written to this file ";
  EXPECT_EQ(t.dialog.warningBoxes, std::vector<std::string>{locked});
  EXPECT_EQ(t.run.exp.GRIDLIST, 0);
  EXPECT_EQ(t.run.state.MODELBUILT, 1);  // the build goes on
  EXPECT_FALSE(t.run.files.grid.isOpen());
}

TEST(RunBuild, FatalErrorEndsTheRun) {
  test::TestRun t;
  t.run.state.FILESET = {1, 1, 1, 1};
  runBuild(t.run, stages(read, modelFails));
  const std::string print = t.printText();
  EXPECT_EQ(print.substr(0, print.find("\n\n")), "header [READING EXP FILE]\nread [READING EXP FILE]\n"
                                                 "model [CRYSTAL DATA READ IN]");
  EXPECT_NE(print.find("    CRYSTAL MODEL DOES NOT FIT INTO GASKET HOLE"), std::string::npos);
  EXPECT_EQ(t.dialog.fatalBoxes, std::vector<std::string>{"CRYSTAL MODEL DOES NOT FIT INTO GASKET HOLE "});
  EXPECT_EQ(t.dialog.statusHistory.back(), "KORVEX HALTED");
  EXPECT_EQ(t.run.state.HALTED, 1);
  EXPECT_EQ(t.run.state.MODELBUILT, 0);
  EXPECT_TRUE(t.run.state.ended);
  for (int slot = 1; slot <= 4; ++slot) EXPECT_FALSE(t.dialog.enabled[ctl::browseOf(slot)]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kRun]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kBuildModel]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kReset]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kViewPrint]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kExit]);
}

TEST(RunBuild, OtherExceptionsAreReportedAsInternalErrors) {
  test::TestRun t;
  t.run.state.FILESET = {1, 1, 0, 0};
  EXPECT_NO_THROW(runBuild(t.run, stages(read, modelThrows)));
  EXPECT_EQ(t.dialog.fatalBoxes, std::vector<std::string>{"INTERNAL ERROR: bad table index "});
  EXPECT_EQ(t.run.state.HALTED, 1);
}

TEST(RunProg, BuildsFirstThenProcessesAndEnds) {
  FourFiles t;
  runProg(t.run, stages());
  EXPECT_EQ(t.printText(), "header [READING EXP FILE]\nread [READING EXP FILE]\nmodel [CRYSTAL DATA READ IN]\n" +
                               dataFileRecords("fo.int", "fo.abs") +
                               "process [PROCESSING DATA]\ncif [PROCESSING COMPLETE WRITING CIF FILE]\n");
  EXPECT_EQ(t.dialog.statusHistory.back(), "KORVEX FINISHED SUCCESSFULLY");
  EXPECT_TRUE(t.run.state.ended);
  EXPECT_EQ(t.run.state.HALTED, 0);
  EXPECT_TRUE(t.dialog.enabled[ctl::kViewOutput]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kViewCif]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kViewPrint]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kReset]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kRun]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kBuildModel]);
  EXPECT_FALSE(t.run.files.print.isOpen());
  EXPECT_TRUE(t.dialog.formatBoxesShown.empty());

  // Once ended, the run cannot be started again nor its files reset.
  const auto statuses = t.dialog.statusHistory.size();
  runProg(t.run, stages());
  runBuild(t.run, stages());
  resetFiles(t.run);
  EXPECT_EQ(t.dialog.statusHistory.size(), statuses);
  EXPECT_EQ(t.run.state.FILESET, (std::array<int, 4>{1, 1, 1, 1}));
}

TEST(RunProg, ModelAlreadyBuiltIsNotBuiltAgain) {
  FourFiles t;
  t.run.state.MODELBUILT = 1;
  runProg(t.run, stages());
  EXPECT_EQ(t.printText(), dataFileRecords("fo.int", "fo.abs") +
                               "process [PROCESSING DATA]\ncif [PROCESSING COMPLETE WRITING CIF FILE]\n");
}

TEST(RunProg, FailedBuildWritesNoDataFileRecords) {
  FourFiles t;
  runProg(t.run, stages(read, modelFails));
  EXPECT_EQ(t.printText().find("DATA FILE:"), std::string::npos);
  EXPECT_EQ(t.printText().find("process"), std::string::npos);
  EXPECT_FALSE(t.dialog.enabled[ctl::kViewOutput]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kViewCif]);
  EXPECT_EQ(t.run.state.HALTED, 1);
}

TEST(RunProg, FormatsFromTheExtensions) {
  struct Case {
    const char* in;
    const char* out;
    std::optional<int> answer;  // for the one format box expected, if any
    int boxSlot;                // 0 when no box is expected
    int formIn, formOut;
  };
  const Case cases[] = {
      {"fo.int", "fo.abs", {}, 0, 0, 0},
      {"fo.INT", "fo.avg", {}, 0, 0, 0},
      {"cc.Hkl", "cc_abs.hkl", {}, 0, 1, 1},          // .Hkl is SHELX without asking
      {"fo.int", "hklout", {}, 0, 0, 1},              // no dot: the first three characters
      {"data.dat", "fo.abs", ctl::kFormatShelx, 3, 1, 0},
      {"data.txt", "fo.abs", ctl::kFormatFirst, 3, 0, 0},
      {"fo.int", "out.txt", ctl::kFormatShelx, 4, 0, 1},
      {"fo.int", "out.txt", std::nullopt, 4, 0, 0},  // OK without a click: unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " -> " + c.out);
    FourFiles t(c.in, c.out);
    t.run.state.MODELBUILT = 1;
    t.run.exp.NUB = 3;
    t.run.exp.BLAXES = {1, 2, 3};
    t.dialog.formatAnswers = {c.answer};
    runProg(t.run, stages());
    EXPECT_EQ(t.run.state.HALTED, 0);
    EXPECT_EQ(t.run.state.IFORMIN, c.formIn);
    EXPECT_EQ(t.run.state.IFORMOUT, c.formOut);
    if (c.boxSlot == 0) {
      EXPECT_TRUE(t.dialog.formatBoxesShown.empty());
    } else {
      ASSERT_EQ(t.dialog.formatBoxesShown.size(), 1u);
      EXPECT_EQ(t.dialog.formatBoxesShown[0].first, c.boxSlot);
      EXPECT_EQ(t.dialog.formatBoxesShown[0].second, c.boxSlot == 3 ? c.in : c.out);
      // The box is asked after the data-file records, before processing.
      const std::string print = t.printText();
      EXPECT_LT(print.find("OUTPUT DATA FILE"), print.find(c.boxSlot == 3 ? "format 3" : "format 4"));
    }
  }
}

TEST(RunProg, ShelxInputNeedsTheOrientationMatrixAndItsAxes) {
  {
    FourFiles t("cc.hkl", "cc.abs");
    runProg(t.run, stages());  // the stand-in reader gives no UB
    EXPECT_EQ(t.dialog.fatalBoxes,
              std::vector<std::string>{"UB MISSING FROM EXP FILE - NEEDED TO CONVERT DIRECTION COSINES IN HKL FILE "});
    const std::string print = t.printText();
    EXPECT_LT(print.find("OUTPUT DATA FILE"), print.find("FATAL ERROR"));  // the records come first
    EXPECT_EQ(print.find("process"), std::string::npos);
  }
  {
    FourFiles t("cc.hkl", "cc.abs");
    runProg(t.run, stages(readBadAxes));
    EXPECT_EQ(t.dialog.fatalBoxes, std::vector<std::string>{
                                       "NEED BLAXES CARD TO INTERPRET DIRECTION COSINES ON REFLECTION DATA FILE, "
                                       "BUT BLAXES HAS INVALID INFORMATION OR IS ABSENT "});
  }
  {
    FourFiles t("cc.hkl", "cc.abs");
    runProg(t.run, stages(readUbAndAxes));  // BLAXES 2 -1 3
    EXPECT_EQ(t.run.state.HALTED, 0);
    EXPECT_TRUE(t.dialog.fatalBoxes.empty());
  }
}

TEST(ResetFiles, DeselectsEverySlotWithoutClosingFiles) {
  test::TestRun t;
  t.run.state.FILESET = {1, 1, 0, 1};
  t.run.state.FILENAME[0] = ff::padded("fo.exp", kFileNameLength);
  runBuild(t.run, stages());
  resetFiles(t.run);
  EXPECT_EQ(t.run.state.FILESET, (std::array<int, 4>{0, 0, 0, 0}));
  for (const std::string& name : t.run.state.FILENAME) EXPECT_EQ(name, std::string(kFileNameLength, ' '));
  EXPECT_EQ(t.run.state.MODELBUILT, 0);
  for (int slot = 1; slot <= 4; ++slot) {
    EXPECT_EQ(t.dialog.text[ctl::labelOf(slot)], "No file selected");
    EXPECT_TRUE(t.dialog.enabled[ctl::browseOf(slot)]);
  }
  EXPECT_FALSE(t.dialog.enabled[ctl::kBuildModel]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kRun]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kViewPrint]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kViewOutput]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kViewCif]);
  EXPECT_EQ(t.dialog.text[ctl::kStatus], "SELECT FILES");
  EXPECT_TRUE(t.run.files.print.isOpen());  // stays connected until the slot is chosen again
  EXPECT_FALSE(t.run.state.ended);

  // With the slots empty, neither Build Model nor Run does anything.
  const std::string before = t.printText();
  runBuild(t.run, stages());
  runProg(t.run, stages());
  EXPECT_EQ(t.printText(), before);
}

// A device that fails part-way through a file is a fatal error, never the
// end of the data: the experiment file's later cards and the reflections
// after the failure must not be silently missing from a finished run.
TEST(RunProg, AFailedReadIsFatalNotTheEndOfTheFile) {
  const std::filesystem::path quartz = KORVEX_SOURCE_DIR "/tests/golden/cases/air_drevik_tavok/input";
  const std::string exp = test::readFile(quartz / "quartz.exp");
  const std::string reflections = test::readFile(quartz / "quartz.int").substr(0, 5 * 80);
  for (const bool inExperiment : {true, false}) {
    SCOPED_TRACE(inExperiment ? "experiment file" : "reflection file");
    test::TempDir dir;
    std::ostringstream output;  // outlives the run, whose writer flushes into it
    test::TestRun t;
    t.run.files.experiment.attach(std::make_unique<test::ScriptedSource>(exp, 16, inExperiment));
    t.run.files.input.attach(std::make_unique<test::ScriptedSource>(reflections, 16, !inExperiment));
    t.run.files.output.attach(&output);
    t.run.state.FILESET = {1, 1, 1, 1};
    t.run.state.FILENAME[2] = ff::padded("x.int", kFileNameLength);
    t.run.state.FILENAME[3] = ff::padded("x.abs", kFileNameLength);
    t.run.state.folder = dir.path();
    runProg(t.run);
    EXPECT_EQ(t.run.state.HALTED, 1);
    EXPECT_EQ(t.dialog.fatalBoxes, std::vector<std::string>{"ERROR READING TEST FILE -: Input/output error "});
    EXPECT_NE(t.printText().find("ERROR READING TEST FILE -: Input/output error"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "x_korvex.cif"));
  }
}

}  // namespace
}  // namespace korvex
