// Choosing the four files, their open modes, and the format box.
#include <gtest/gtest.h>

#include <string>

#include "fixedformat/edit_list.hpp"
#include "run/controls.hpp"
#include "run/file_selection.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

// A run with no file chosen yet.
struct NoFiles : test::TestRun {
  NoFiles() { run.state.FILESET = {0, 0, 0, 0}; }
};

TEST(OpenSlot, OpensInTheSlotsModeAndShowsTheName) {
  test::TempDir dir;
  test::writeFile(dir / "fo.exp", "CELL\n");
  test::writeFile(dir / "fo.prt", "earlier run\n");
  test::writeFile(dir / "fo.int", "reflections\n");
  test::writeFile(dir / "fo.abs", "old output\n");
  NoFiles t;
  const char* names[] = {"fo.exp", "fo.prt", "fo.int", "fo.abs"};
  const char* statuses[] = {"SELECT FILES", "SELECT DATA FILES or BUILD MODEL", "SELECT DATA FILES or BUILD MODEL",
                            "BUILD MODEL OR RUN PROGRAM"};
  for (int slot = 1; slot <= 4; ++slot) {
    SCOPED_TRACE(slot);
    ASSERT_TRUE(openSlot(t.run, slot, dir / names[slot - 1]));
    EXPECT_EQ(t.run.state.FILESET[slot - 1], 1);
    EXPECT_EQ(t.run.state.FILENAME[slot - 1], ff::padded(names[slot - 1], kFileNameLength));
    EXPECT_EQ(t.dialog.text[ctl::labelOf(slot)], names[slot - 1]);
    EXPECT_EQ(t.dialog.text[ctl::kStatus], statuses[slot - 1]);
  }
  EXPECT_EQ(t.run.state.folder, dir.path());
  EXPECT_EQ(inRunFolder(t.run, ff::padded("fo_korvex.cif", 256)), dir / "fo_korvex.cif");

  std::string line;
  ASSERT_TRUE(t.run.files.experiment.readLine(line));
  EXPECT_EQ(line, "CELL");
  EXPECT_EQ(test::readFile(dir / "fo.abs"), "old output\n");  // replaced only when the run finishes
  t.run.files.print.record(" this run");
  t.run.files.print.close();
  EXPECT_EQ(test::readFile(dir / "fo.prt"), "earlier run\nthis run\n");  // the print file is appended to
  EXPECT_EQ(test::readFile(dir / "fo.int"), "reflections\n");             // read only
}

TEST(OpenSlot, FailureGivesTheSlotsWarningAndLeavesItEmpty) {
  test::TempDir dir;
  const auto nowhere = dir / "missing folder" / "x.dat";
  const char* warnings[] = {"ERROR OPENING EXPERIMENT FILE ", "ERROR OPENING PRINT FILE ",
                            "ERROR OPENING INPUT DATA FILE ", "ERROR OPENING OUTPUT DATA FILE "};
  for (int slot = 1; slot <= 4; ++slot) {
    SCOPED_TRACE(slot);
    NoFiles t;
    t.run.state.FILENAME[slot - 1] = ff::padded("previous.dat", kFileNameLength);
    EXPECT_FALSE(openSlot(t.run, slot, nowhere));
    EXPECT_EQ(t.dialog.warningBoxes, std::vector<std::string>{warnings[slot - 1]});
    EXPECT_EQ(t.run.state.FILESET[slot - 1], 0);
    EXPECT_EQ(t.run.state.FILENAME[slot - 1], std::string(kFileNameLength, ' '));
    EXPECT_EQ(t.dialog.text[ctl::labelOf(slot)], slot == 1 ? " " : "No file selected");
    EXPECT_EQ(t.dialog.text[ctl::kStatus], "SELECT FILES");
  }
  NoFiles t;
  EXPECT_FALSE(openSlot(t.run, 1, dir.path()));  // a folder is not an experiment file
  EXPECT_FALSE(openSlot(t.run, 5, dir / "x"));   // no such slot: nothing happens
  EXPECT_EQ(t.dialog.warningBoxes.size(), 1u);
}

TEST(OpenSlot, AWrittenFileMustNotBeOneTheRunAlreadyUses) {
  test::TempDir dir;
  test::writeFile(dir / "fo.exp", "CELL\n");
  test::writeFile(dir / "fo.hkl", "   1   0   0\n");
  NoFiles t;
  ASSERT_TRUE(openSlot(t.run, 1, dir / "fo.exp"));
  EXPECT_FALSE(openSlot(t.run, 2, dir / "fo.exp"));  // the report appended to the experiment file
  ASSERT_TRUE(openSlot(t.run, 2, dir / "fo.prt"));
  ASSERT_TRUE(openSlot(t.run, 3, dir / "fo.hkl"));
  EXPECT_FALSE(openSlot(t.run, 4, dir / "." / "fo.hkl"));  // the output replacing the input
  EXPECT_FALSE(openSlot(t.run, 4, dir / "fo.prt"));
  EXPECT_EQ(t.dialog.warningBoxes, (std::vector<std::string>{"ERROR OPENING PRINT FILE ", "ERROR OPENING OUTPUT DATA FILE ",
                                                              "ERROR OPENING OUTPUT DATA FILE "}));
  EXPECT_EQ(test::readFile(dir / "fo.hkl"), "   1   0   0\n");
  EXPECT_EQ(test::readFile(dir / "fo.exp"), "CELL\n");
  EXPECT_TRUE(openSlot(t.run, 4, dir / "fo.abs"));
}

TEST(Browse, ReopensOrLeavesTheSlotEmptyOnCancel) {
  test::TempDir dir;
  test::writeFile(dir / "a.exp", "A\n");
  test::writeFile(dir / "b.exp", "B\n");
  NoFiles t;
  t.dialog.fileAnswers = {dir / "a.exp", dir / "b.exp", std::nullopt};
  openExp(t.run);
  EXPECT_EQ(t.dialog.text[ctl::kLabelExperiment], "a.exp");
  openExp(t.run);  // the dialog offers the current name; the unit moves to the new file
  EXPECT_EQ(t.dialog.fileBuffersOffered[1], "a.exp");
  std::string line;
  ASSERT_TRUE(t.run.files.experiment.readLine(line));
  EXPECT_EQ(line, "B");
  openExp(t.run);  // cancelled: the slot is left empty
  EXPECT_EQ(t.run.state.FILESET[0], 0);
  EXPECT_FALSE(t.run.files.experiment.isOpen());
  EXPECT_EQ(t.dialog.text[ctl::kLabelExperiment], " ");
  ASSERT_EQ(t.dialog.fileDialogsShown.size(), 3u);
  EXPECT_EQ(t.dialog.fileDialogsShown[0].title, "Open Experiment File");
  EXPECT_TRUE(t.dialog.warningBoxes.empty());

  t.dialog.fileAnswers = {std::nullopt, std::nullopt, std::nullopt};
  openPrint(t.run);
  openInputData(t.run);
  openOutputData(t.run);
  for (int slot = 2; slot <= 4; ++slot) EXPECT_EQ(t.dialog.text[ctl::labelOf(slot)], "No file selected");
  EXPECT_EQ(t.dialog.fileDialogsShown.back().title, "Open Output Data File");
  EXPECT_EQ(t.dialog.text[ctl::kStatus], "SELECT FILES");
}

TEST(FileExtension, ThreeCharactersAfterTheFirstDotRaised) {
  auto check = [](const std::string& name, const char* ext) {
    SCOPED_TRACE(name);
    EXPECT_EQ(fileExtension(name), ext);
    EXPECT_EQ(fileExtension(ff::padded(name, kFileNameLength)), ext);
  };
  check("fo.int", "INT");
  check("cc.Hkl", "HKL");
  check("data.dat", "DAT");
  check("hklout", "HKL");       // no dot: the first three characters
  check("run.1.abs", "1.A");    // the first dot counts
  check("x.hk", "HK ");
  check("name.", "   ");
  check("ab", "AB ");
  check("d\xe9.\xe9kl", "\xe9KL");  // only a to z are raised
}

TEST(FormatBox, NameLabelAndAnswer) {
  auto name = [](const std::string& fileName) { return formatBoxName(ff::padded(fileName, kFileNameLength)); };
  EXPECT_EQ(name("data.dat"), "data.dat");
  EXPECT_EQ(name("my  data.dat"), "my  data.dat");  // two blanks do not end it
  EXPECT_EQ(name("my   data.dat"), "my");
  const std::string sixty = std::string(20, 'a') + std::string(40, 'b');
  EXPECT_EQ(name(sixty), std::string(40, 'b'));  // a longer name by its last 40
  EXPECT_EQ(name(std::string(600, 'c')), std::string(40, 'c'));

  test::TestRun t;
  t.run.state.FILENAME[2] = ff::padded("data.dat", kFileNameLength);
  t.run.state.FILENAME[3] = ff::padded("out.txt", kFileNameLength);
  t.dialog.formatAnswers = {ctl::kFormatShelx, ctl::kFormatShelx, ctl::kFormatFirst, std::nullopt};
  getFormat(t.run, 3);
  EXPECT_EQ(t.run.state.IFORMIN, 1);
  getFormat(t.run, 4);
  EXPECT_EQ(t.run.state.IFORMOUT, 1);
  getFormat(t.run, 4);
  EXPECT_EQ(t.run.state.IFORMOUT, 0);
  getFormat(t.run, 3);  // OK without a click keeps the format
  EXPECT_EQ(t.run.state.IFORMIN, 1);
  EXPECT_EQ(t.run.state.FMTSLOT, 3);
  EXPECT_EQ(t.dialog.formatBoxLabels, (std::vector<std::string>{"Drevik", "Tavok abs/avg", "Tavok abs/avg", "Drevik"}));
  EXPECT_EQ(t.dialog.formatBoxesShown[1], (std::pair<int, std::string>{4, "out.txt"}));
}

}  // namespace
}  // namespace korvex
