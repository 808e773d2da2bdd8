// The CIF fragment: its name, its branches, and its syntax checked by a CIF
// parser.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "fixedformat/edit_list.hpp"
#include "reports/reports.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

using CaseSetup = void (*)(korvex::Run&);

// Writes the fragment for the state the setup leaves and returns its text.
struct CifCase {
  test::TempDir dir;
  test::TestRun t;
  std::string write(const std::function<void(korvex::Run&)>& setup) {
    t.run.state.folder = dir.path();
    t.run.state.FILENAME[3] = ff::padded("run12.hkl", kFileNameLength);
    resetForNewFile(t.run.exp);
    setup(t.run);
    writeCifKorvex(t.run);
    t.run.files.cif.commit();
    return test::readFile(dir / "run12_korvex.cif");
  }
};

// The states of the reference runs with a corrected crystal.
void hklCube(korvex::Run& r) {
  ExperimentState& e = r.exp;
  e.CRYSABS = e.MODELTYPE = 1;
  e.ABSCO = 16.9f / 10000.0f;
  e.NUB = 3;
  e.NGRID = {8, 8, 8};
  const char* cards[] = {"1 0 0 45", "-1 0 0 45", "0 1 0 45", "0 -1 0 45", "0 0 1 45", "0 0 -1 45"};
  e.NFACES = 6;
  for (int n = 0; n < 6; ++n) e.MODELCARDS[n] = ff::padded(cards[n], 80);
  r.stats.TOTMAX = 0.875f, r.stats.TOTMIN = 0.868f;
}

void cornersInCell(korvex::Run& r) {
  ExperimentState& e = r.exp;
  e.CRYSABS = e.GASKGIVEN = e.MEDIAABS = 1;
  e.MODELTYPE = e.NUB = 3;
  e.DACTYPE = 2;
  e.ABSCO = 40.0f / 10000.0f, e.GASKETMU = 300.0f / 10000.0f, e.MUMEDIA = 15.0f / 10000.0f;
  e.NGRID = {8, 8, 8};
  e.DTHICK = {0.18f, 0.18f, 0.3f, 0.3f};
  e.DMU = {2.025f, 2.025f, 0.473f, 0.473f};
  e.GASKETT = 50.0f, e.GASKETR = 80.0f, e.MINILLUM = 0.05f;
  e.NFACES = 8;
  e.HKLD = {{{-1.0f, -25.48661f, 6.38199f, -0.006f}, {1.28933f, 1.12274f, 1.0f, 0.05244f},
             {1.7794f, 1.0f, -1.57109f, 0.05426f}, {1.0f, 14.61533f, 21.39087f, 0.0541f},
             {-1.57766f, 1.7231f, 1.0f, 0.05572f}, {-1.32389f, 1.0f, -1.82608f, 0.05367f},
             {-1.0f, 33.79999f, -145.07748f, 0.0541f}, {1.0f, 25.48661f, -6.38199f, 0.034f}}};
  RunStatistics& s = r.stats;
  s.TOTMAX = 0.260f, s.TOTMIN = 0.231f, s.DACMIN = 0.271f, s.DACMAX = 0.300f;
  s.GASMIN = 0.999f, s.GASMAX = 1.0f, s.MEDMIN = 0.958f, s.MEDMAX = 0.963f;
}

void cellWithoutModel(korvex::Run& r) {
  r.exp.DACTYPE = 1;
  r.exp.DTHICK = {0.2f, 0.2f, 0.0f, 0.0f};
  r.exp.DMU = {2.025f, 2.025f, 0.0f, 0.0f};
  r.exp.NUB = 3;
}

void sphere(korvex::Run& r) {
  r.exp.CRYSABS = 1, r.exp.MODELTYPE = 4;
  r.exp.ABSCO = 150.0f / 10000.0f, r.exp.RADIUS = 60.0f;
  r.exp.NGRID = {16, 16, 16};
}

void filledGasket(korvex::Run& r) {
  cellWithoutModel(r);
  r.exp.CRYSABS = r.exp.GASKGIVEN = r.exp.GASKOPAQUE = 1;
  r.exp.MODELTYPE = 5;
}

void cornersNoUb(korvex::Run& r) {
  cellWithoutModel(r);
  r.exp.CRYSABS = 1, r.exp.MODELTYPE = 3, r.exp.NUB = 0, r.exp.NCORNERS = 2;
  r.exp.CORNER[0] = {64.0f, 6.0f, 0.0f};
  r.exp.CORNER[1] = {-27.0f, 34.0f, 45.0f};
}

TEST(CifFragment, FileNameRules) {
  auto check = [](const std::string& output, const std::string& expected) {
    SCOPED_TRACE(output);
    EXPECT_EQ(cifFileName(output), expected);
  };
  check("run12.hkl", "run12_korvex.cif");
  check("a.b.c", "a_korvex.cif");
  check("outfile", "_korvex.cif");
  check(ff::padded("out.hkl", kFileNameLength), "out_korvex.cif");
  check(ff::padded("outfile", kFileNameLength), "_korvex.cif");
  check(".hkl", "_korvex.cif");
}

// The two reference runs with a corrected crystal, compared line by line
// (the program-and-reference line after the data-reduction name is ours).
TEST(CifFragment, MatchesReferenceRuns) {
  const std::filesystem::path refs = std::filesystem::path(KORVEX_SHARED_DIR) / "reference-runs";
  if (!std::filesystem::exists(refs)) GTEST_SKIP() << "reference runs not found: " << refs;
  auto check = [&](const char* file, CaseSetup setup) {
    SCOPED_TRACE(file);
    CifCase c;
    const auto actual = linesOf(c.write(setup));
    const auto expected = linesOf(test::readFile(refs / file));
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n)
      if (n != 8) {
        EXPECT_EQ(actual[n], expected[n]) << "line " << n + 1;
      }
  };
  check("model_cube_hkl_gridlist3/expected/nacl_korvex.cif", hklCube);
  check("dac2_gasket_medium/expected/dac2_gasket_medium_korvex.cif", cornersInCell);
}

TEST(CifFragment, Branches) {
  auto check = [](const char* what, const std::function<void(korvex::Run&)>& setup,
                  const std::vector<std::string>& present, const std::vector<std::string>& absent) {
    SCOPED_TRACE(what);
    CifCase c;
    const std::string text = c.write(setup);
    for (const auto& p : present) EXPECT_TRUE(contains(text, p)) << "missing: " << p;
    for (const auto& a : absent) EXPECT_FALSE(contains(text, a)) << "unexpected: " << a;
  };
  check("nothing corrected", [](korvex::Run&) {}, {"\n_exptl_absorpt_correction_type        none\n"},
        {"_exptl_absorpt_process_details"});
  // The dictionary enumerates the correction types in lower case.
  check("crystal in air", hklCube, {"\n_exptl_absorpt_correction_type    gaussian\n"},
        {"_exptl_crystal_preparation", "diamond-anvil", "Gaussian\n"});
  check("cell without model", cellWithoutModel,
        {"\n_exptl_crystal_preparation      'mounted in a diamond-anvil cell ' \n",
         "\n thickness of diamond anvil 2:  2.000 mm, mu =  0.2025 mm-1\n",
         "\n    No gasket shadowing corrections were made\n\n\n;\n"},
        {"loop_", "_exptl_crystal_description"});
  check("type 3 cell", [](korvex::Run& r) { cellWithoutModel(r); r.exp.DACTYPE = 3; },
        {"\n       thickness of platten 1:  0.000 mm, mu =  0.0000 mm-1\n"}, {});
  check("type 5 curve",
        [](korvex::Run& r) {
          cellWithoutModel(r);
          r.exp.DACTYPE = 5;
          r.exp.NDACCURVE = -1;
          r.exp.DACSUMMUT = {0.4f, 0.45f};
        },
        {"\nDAC transmission function with sum(mu*t) for anvil 1:  0.400  anvil 2:  0.450\n"},
        {"thickness of diamond anvil"});
  check("type 5 table", [](korvex::Run& r) { cellWithoutModel(r); r.exp.DACTYPE = 5; r.exp.NDACCURVE = 10; },
        {"\n    DAC transmission function via a table of values\n"}, {});
  check("sphere", sphere,
        {"\nof 16 x 16 x 16 points =  4096 total grid points\n",
         "\n_exptl_crystal_description           sphere\n_exptl_crystal_size_rad             0.060000"},
        {});
  check("filled gasket, opaque", filledGasket,
        {"\n    Gasket assumed totally opaque\n",
         "\n_exptl_crystal_description       'crystal fills hole of diamond-cell gasket' \n"},
        {"Gasket absorption coeff"});
  check("corners without UB", cornersNoUb,
        {"\n with origin at the centre of the face of the incident-beam anvil\n"
         "  loop is over x, y, z (mm) \n"
         "   0.064000    0.006000    0.000000\n"
         "  -0.027000    0.034000    0.045000\n;"},
        {});
}

TEST(CifFragment, WarnsWhenTheFileCannotBeCreated) {
  test::TestRun t;
  t.run.state.folder = "/nonexistent-korvex-folder";
  t.run.state.FILENAME[3] = ff::padded("run12.hkl", kFileNameLength);
  writeCifKorvex(t.run);
  ASSERT_EQ(t.dialog.warningBoxes.size(), 1u);
  EXPECT_TRUE(contains(t.dialog.warningBoxes[0], "ERROR OPENING CIF FILE - NOT WRITTEN"));
  EXPECT_TRUE(contains(t.printText(), "ERROR OPENING CIF FILE - NOT WRITTEN"));
}

// A Python interpreter with the gemmi CIF parser, or nothing.
std::string cifParser() {
  for (const char* python : {"python3", "/usr/bin/python3"}) {
    const std::string cmd = std::string(python) + " -c \"import gemmi\" >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == 0) return python;
  }
  return {};
}

const char* const kCheckCif = R"(import sys, gemmi
text = open(sys.argv[1]).read()
doc = gemmi.cif.read_string("data_test\n" + text)
pairs = loops = 0
for item in doc.sole_block():
    if item.pair is not None:
        if not item.pair[1].strip():
            sys.exit("no value for " + item.pair[0])
        pairs += 1
    elif item.loop is not None:
        if item.loop.length() == 0:
            sys.exit("loop without rows")
        loops += 1
print("pairs=%d loops=%d" % (pairs, loops))
)";

// The fragment is pasted into a data block: after a data_ line it must parse,
// and every data name must carry its value.
TEST(CifFragment, ParsesAsCif) {
  const std::string python = cifParser();
  if (python.empty()) GTEST_SKIP() << "python3 with gemmi not found";
  test::TempDir scripts;
  test::writeFile(scripts / "check_cif.py", kCheckCif);
  auto check = [&](const char* what, CaseSetup setup, const std::string& expected) {
    SCOPED_TRACE(what);
    CifCase c;
    c.write(setup);
    const std::string cmd = python + " " + (scripts / "check_cif.py").string() + " " +
                            (c.dir / "run12_korvex.cif").string() + " 2>&1";
    std::string out;
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe) != nullptr) out += buf;
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, expected + "\n");
  };
  check("none", [](korvex::Run&) {}, "pairs=4 loops=0");
  check("hkl faces", hklCube, "pairs=7 loops=1");
  check("back-transformed hkl in a cell", cornersInCell, "pairs=8 loops=1");
  check("corners without UB", cornersNoUb, "pairs=8 loops=0");
  check("sphere", sphere, "pairs=8 loops=0");
  check("filled gasket", filledGasket, "pairs=8 loops=0");
  check("cell without model", cellWithoutModel, "pairs=7 loops=0");
}

}  // namespace
}  // namespace korvex
