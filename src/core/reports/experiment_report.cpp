// The opening of the print file: the banner with the run's date and the
// experiment file's name, and the experiment report written once the model
// is built (what was read, which corrections are made, which data are
// excluded).
#include <array>
#include <cmath>
#include <string>

#include "geometry/angles.hpp"
#include "experiment/element_tables.hpp"
#include "fixedformat/edit_list.hpp"
#include "reports/report_support.hpp"
#include "reports/reports.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

// --- Banner. The box is 77 columns wide counting the carriage-control blank.
const ff::EditList kBannerRule("(1X,76('*'))");
const ff::EditList kBannerBox("(' *',74X,'*')");
const ff::EditList kBannerTitle("(' *',28X,'KORVEX PROGRAM',31X,' *')");
const ff::EditList kBannerText("(' *',A74,'*')");
const ff::EditList kRunAndFile("(/,10X,'KORVEX RUN ON: ',A24,/,10X,'EXPERIMENT FILE IS: ',A40,/)");

constexpr int kBannerInner = 74;
// Version, date of the latest update and history, centred in the box.
const std::array<const char*, 4> kVersionLines = {
    "Korvex 6.1",
    "Latest update: 8 December 2026",
    "History: 6.1 rebuilt in C++20, single precision kept",
    "Gaussian integration after Burnham (1966)",
};

// --- Experiment report.
const ff::EditList kInputHeading("(/,A20,' INPUT DATA ',A20,/)");
const ff::EditList kWavelength("(5X,'WAVELENGTH = ',F8.5,' A',/)");
const ff::EditList kUbHeading("(5X,'UB MATRIX ON BUSING-LEVY AXES IS: ')");
const ff::EditList kUbRow("(5X,3F10.6)");
const ff::EditList kCellFromUb(
    "(/,5X,'  UNIT CELL FROM UB: ',3F10.5,/,5X,'                     ',3F10.5,'  VOL = ',F10.4)");
const ff::EditList kCellFromFile(
    "(/,5X,'UNIT CELL FROM FILE: ',3F10.5,/,5X,'                     ',3F10.5,'  VOL = ',F10.4)");
const ff::EditList kCellVolume("(5X,'CELL VOLUME USED IN PROGRAM = ',F10.3,' A^3')");

const ff::EditList kCorrectionsHeading("(/,/,A20,' DATA CORRECTIONS ',A20,/)");
const ff::EditList kNoCrystalAbsorption("(5X,'NO CRYSTAL ABSORPTION WILL BE CALCULATED',/,/)");
const ff::EditList kFormulaHeading("(5X,'ABSORPTION COEFFICIENT CALCULATED FROM FORMULA:')");
const ff::EditList kFormulaElement("(10X,A2,F8.2)");
const ff::EditList kFormulaZ("(17X,'WITH Z =',I3,/,5X,'CALCULATED DENSITY = ',F8.3)");
const ff::EditList kLinearAbsorption("(5X,'LINEAR ABSORPTION COEFFICIENT = ',F7.2,' CM-1',/,/)");

const ff::EditList kModelFilledGasket(
    "(/,/,5X,'CRYSTAL ABSORPTION MODEL BASED ON FILLED GASKET',/,/,"
    "5X,'GAUSSIAN GRID SET FOR CRYSTAL OF ',I2,' x ',I2,' x ',I2,' POINTS',/,"
    "5X,I5,' TOTAL GRID POINTS: CRYSTAL FILLING GASKET HOLE',/,"
    "5X,'CALCULATED CRYSTAL VOLUME = ',I10,' CUBIC MICRONS',/,"
    "5X,'CALCULATED GASKET VOLUME  = ',I10,' CUBIC MICRONS',/)");
const ff::EditList kModelSphere(
    "(/,/,5X,'CRYSTAL ABSORPTION MODEL IS A SPHERE',/,/,"
    "5X,'GAUSSIAN GRID SET FOR SPHERICAL CRYSTAL OF RADIUS ',F6.2,' MICRONS AND MU*R = ',F6.3,/,"
    "5X,I2,' x ',I2,' x ',I2,' POINTS= ',I5,' TOTAL GRID POINTS',/,"
    "5X,'CALCULATED CRYSTAL VOLUME = ',I10,' CUBIC MICRONS',/,"
    "5X,'         ACTUAL VOLUME IS = ',F12.1,' CUBIC MICRONS')");
const ff::EditList kNoModel("(/,/,5X,'NO CRYSTAL MODEL')");
const ff::EditList kModelUser(
    "(/,/,5X,'CRYSTAL ABSORPTION MODEL BASED ON USER DESCRIPTION',/,/,"
    "5X,'GAUSSIAN GRID SET FOR CRYSTAL OF ',I2,' x ',I2,' x ',I2,' POINTS',/,"
    "5X,I5,' TOTAL GRID POINTS',/,"
    "5X,'CALCULATED CRYSTAL VOLUME = ',I10,' CUBIC MICRONS')");

// The same blocks when the transmission is integrated exactly.
const ff::EditList kModelUserExact(
    "(/,/,5X,'CRYSTAL ABSORPTION MODEL BASED ON USER DESCRIPTION',/,/,"
    "5X,'EXACT INTEGRATION: CLOSED FORMS OVER THE CRYSTAL POLYHEDRON',/,"
    "5X,'CALCULATED CRYSTAL VOLUME = ',I10,' CUBIC MICRONS')");
const ff::EditList kCellExact(
    "(5X,'GASKET AND MEDIUM BY EXACT PATHS, INTEGRATED TO ',F4.1,' X 10**',I3,' RELATIVE')");
const ff::EditList kModelSphereExact(
    "(/,/,5X,'CRYSTAL ABSORPTION MODEL IS A SPHERE',/,/,"
    "5X,'EXACT TRANSMISSION OF A SPHERE OF RADIUS ',F6.2,' MICRONS AND MU*R = ',F6.3,/,"
    "5X,'INTEGRATED TO ',F4.1,' X 10**',I3,' RELATIVE AT EACH 2THETA',/,"
    "5X,'         ACTUAL VOLUME IS = ',F12.1,' CUBIC MICRONS')");
const ff::EditList kModelFilledGasketExact(
    "(/,/,5X,'CRYSTAL ABSORPTION MODEL BASED ON FILLED GASKET',/,/,"
    "5X,'EXACT INTEGRATION OVER THE GASKET HOLE TO ',F4.1,' X 10**',I3,' RELATIVE',/,"
    "5X,'CALCULATED GASKET VOLUME  = ',I10,' CUBIC MICRONS',/)");

const ff::EditList kNoDac("(/,/,5X,'NO DIAMOND-ANVIL CELL CORRECTIONS')");
const ff::EditList kDac(
    "(/,/,5X,'DATA CORRECTED FOR DIAMOND-ANVIL CELL',' TYPE ',I3,':',/,"
    "5X,'PSIMAX(IBEAM ANVIL) = ',F5.1,10X,'  PSIMAX(DBEAM ANVIL) = ',F5.1)");
const ff::EditList kAnvil("('     THICKNESS OF DIAMOND ANVIL ',I1,': ',F6.3,' CM, MU = ',F7.4,' CM-1')");
const ff::EditList kPlatten("('           THICKNESS OF PLATTEN ',I1,': ',F6.3,' CM, MU = ',F7.4,' CM-1')");
const ff::EditList kDacCurve(
    "('     USER-SUPPLIED DAC TRANSMISSION FUNCTION',' WITH SUM(ABSCO*T) FOR ANVIL 1:',F7.3,"
    "'  ANVIL 2:',F7.3)");
const ff::EditList kDacTable("('     USER-SUPPLIED DAC TRANSMISSION FUNCTION',' VIA A TABLE OF VALUES')");
const ff::EditList kGasket(
    "(/,5X,'GASKET SHADOWING CORRECTIONS WILL BE MADE: ',/,/,"
    "5X,'GASKET THICKNESS = ',F5.1,' MICRONS, RADIUS = ',F5.1,' MICRONS')");
const ff::EditList kGasketMu("(5X,'GASKET ABSORPTION COEFF = ',F9.2,' CM-1')");
const ff::EditList kGasketMuWide("(5X,'GASKET ABSORPTION COEFF = ',F12.0,' CM-1')");
const ff::EditList kGasketOpaque("(5X,'GASKET ASSUMED TOTALLY OPAQUE')");
const ff::EditList kMinIllum(
    "(5X,'REFLECTION WILL BE CONSIDERED TOTALLY OBSCURED IF ',"
    "'FRACTION CRYSTAL ILLUMINATED IS LESS THAN ',F4.2,/)");
const ff::EditList kFillsHole("(5X,'CRYSTAL FILLS THE GASKET HOLE',/,/)");
const ff::EditList kMedium("(5X,'ABSORPTION COEFF OF PRESSURE MEDIUM = ',F6.2,' CM-1')");
const ff::EditList kNoMedium("(5X,'NON-ABSORBING PRESSURE MEDIUM ')");
const ff::EditList kNoGasket("(/,5X,'NO GASKET SHADOWING CORRECTIONS WILL BE MADE',/,/)");

const ff::EditList kRestrictions(
    "(/,/,A20,' DATA RESTRICTIONS/MODIFICATIONS ',A20,/,/,"
    "5X,'A REFL. WILL BE A LESS-THAN IF I< ',F3.1,' SIGMA I',/)");
const ff::EditList kTthMin("(/,5X,'DATA WITH 2THETA < ',F8.3,' DEGREES WILL BE EXCLUDED')");
const ff::EditList kTthMax("(/,5X,'DATA WITH 2THETA > ',F8.3,' DEGREES WILL BE EXCLUDED')");
const ff::EditList kScale("(/,5X,'INTENSITIES WILL BE MULTIPLIED BY ',F9.4,' ON INPUT')");
const ff::EditList kNoMonochromator("(/,5X,'NO MONOCHROMATOR OR LP CORRECTIONS MADE')");

const std::string kRule(20, '*');
// A gasket coefficient above this (per micron) no longer fits F9.2 in cm-1.
constexpr float kGasketMuNarrow = 99.0f;

std::string centred(const std::string& text, int width) {
  const int left = text.size() < static_cast<std::size_t>(width) ? (width - static_cast<int>(text.size())) / 2 : 0;
  return ff::padded(std::string(static_cast<std::size_t>(left), ' ') + text, static_cast<std::size_t>(width));
}

void writeExactCrystalModel(ff::CarriageControlWriter& out, const ExperimentState& e) {
  const report::Decimal tol = report::decimalOf(e.METHODTOL);
  const long long volume = static_cast<long long>(std::llround(e.exact.volume));
  switch (e.MODELTYPE) {
    case 5:
      out.write(kModelFilledGasketExact, {tol.mantissa, tol.exponent, volume});
      break;
    case 4: {
      const report::Decimal sphereTol = report::decimalOf(std::min(1e-9, e.METHODTOL));
      out.write(kModelSphereExact,
                {e.RADIUS, e.RADIUS * e.ABSCO, sphereTol.mantissa, sphereTol.exponent, e.exact.volume});
      break;
    }
    case 0:
      out.write(kNoModel, {});
      break;
    default:
      out.write(kModelUserExact, {volume});
      if (e.DACTYPE != 0 && (e.GASKGIVEN == 1 || e.MEDIAABS == 1)) out.write(kCellExact, {tol.mantissa, tol.exponent});
      break;
  }
}

void writeCrystalModel(ff::CarriageControlWriter& out, const ExperimentState& e) {
  if (e.METHOD == 1 && e.exact.built) {
    writeExactCrystalModel(out, e);
    return;
  }
  const int n = e.NGRID[0] * e.NGRID[1] * e.NGRID[2];
  const long long iv = report::nearestInt(e.VOLUME);
  switch (e.MODELTYPE) {
    case 5: {
      const long long gasketVolume = report::nearestInt(e.GASKETR * 3.14159f * e.GASKETR * e.GASKETT);
      out.write(kModelFilledGasket, {e.NGRID[0], e.NGRID[1], e.NGRID[2], n, iv, gasketVolume});
      break;
    }
    case 4: {
      const int ng = e.NGRID[0];
      const float sphereVolume = 4.188787f * (e.RADIUS * e.RADIUS * e.RADIUS);
      out.write(kModelSphere, {e.RADIUS, e.RADIUS * e.ABSCO, ng, ng, ng, ng * ng * ng, iv, sphereVolume});
      break;
    }
    case 0:
      out.write(kNoModel, {});
      break;
    default:
      out.write(kModelUser, {e.NGRID[0], e.NGRID[1], e.NGRID[2], n, iv});
      break;
  }
}

void writeDiamondAnvilCell(ff::CarriageControlWriter& out, const ExperimentState& e) {
  if (e.DACTYPE == 0) {
    out.write(kNoDac, {});
    return;
  }
  out.write(kDac, {e.DACTYPE, e.PSIMAX[0] / kRadiansPerDegree, e.PSIMAX[1] / kRadiansPerDegree});
  if (e.DACTYPE < 5) {
    for (int i = 0; i < 2; ++i) {
      out.write(kAnvil, {i + 1, e.DTHICK[i], e.DMU[i]});
      out.write(kPlatten, {i + 1, e.DTHICK[2 + i], e.DMU[2 + i]});
    }
  } else if (e.NDACCURVE < 0) {
    out.write(kDacCurve, {e.DACSUMMUT[0], e.DACSUMMUT[1]});
  } else {
    out.write(kDacTable, {});
  }

  if (e.GASKGIVEN != 1) {
    out.write(kNoGasket, {});
    return;
  }
  out.write(kGasket, {e.GASKETT, e.GASKETR});
  if (e.GASKOPAQUE == 0) {
    out.write(e.GASKETMU <= kGasketMuNarrow ? kGasketMu : kGasketMuWide, {e.GASKETMU * 10000.0f});
  } else {
    out.write(kGasketOpaque, {});
  }
  out.write(kMinIllum, {e.MINILLUM});
  if (e.MODELTYPE == 5) {
    out.write(kFillsHole, {});
  } else if (e.MEDIAABS == 1) {
    out.write(kMedium, {e.MUMEDIA * 10000.0f});
  } else {
    out.write(kNoMedium, {});
  }
}

}  // namespace

void writeHeader(Run& run) {
  ff::CarriageControlWriter& out = run.files.print;
  out.write(kBannerRule, {});
  out.write(kBannerBox, {});
  out.write(kBannerBox, {});
  out.write(kBannerTitle, {});
  out.write(kBannerBox, {});
  out.write(kBannerBox, {});
  for (const char* line : kVersionLines) out.write(kBannerText, {centred(line, kBannerInner)});
  out.write(kBannerBox, {});
  out.write(kBannerBox, {});
  out.write(kBannerRule, {});
  out.write(kRunAndFile, {ff::padded(run.clock(), 24), run.state.FILENAME[0]});
}

void writeCrystalData(Run& run) {
  ExperimentState& e = run.exp;
  const float ratio = e.WAVELENGTH / e.CELLVOL;
  e.LAMBDAV2 = ratio * ratio;

  ff::CarriageControlWriter& out = run.files.print;
  out.write(kInputHeading, {kRule, kRule});
  out.write(kWavelength, {e.WAVELENGTH});
  if (e.NUB == 3) {
    out.write(kUbHeading, {});
    for (const auto& row : e.UB) out.write(kUbRow, {row[0], row[1], row[2]});
    const auto& c = e.CELLUB;
    out.write(kCellFromUb, {c[0], c[1], c[2], c[3], c[4], c[5], c[6]});
  }
  if (e.CELLGIVEN == 1) {
    const auto& c = e.CELL;
    out.write(kCellFromFile, {c[0], c[1], c[2], c[3], c[4], c[5], c[6]});
  }
  out.write(kCellVolume, {e.CELLVOL});

  out.write(kCorrectionsHeading, {kRule, kRule});
  if (e.CRYSABS == 0) {
    out.write(kNoCrystalAbsorption, {});
  } else {
    if (e.CONTGIVEN == 1) {
      out.write(kFormulaHeading, {});
      for (int z = 0; z < kElements; ++z)
        if (e.ELCOUNT[z] > 0.0f) out.write(kFormulaElement, {ELSYM[z] != nullptr ? ELSYM[z] : "  ", e.ELCOUNT[z]});
      out.write(kFormulaZ, {report::nearestInt(e.ZFORM), e.DENSITY});
    }
    out.write(kLinearAbsorption, {e.ABSCO * 10000.0f});
  }
  writeCrystalModel(out, e);
  writeDiamondAnvilCell(out, e);

  out.write(kRestrictions, {kRule, kRule, e.LESSTHAN});
  if (e.TTHMIN > 0.0f) out.write(kTthMin, {e.TTHMIN});
  if (e.TTHMAX < 180.0f) out.write(kTthMax, {e.TTHMAX});
  if (std::fabs(e.SCALE - 1.0f) > 0.0001f) out.write(kScale, {e.SCALE});
  out.write(kNoMonochromator, {});
}

}  // namespace korvex
