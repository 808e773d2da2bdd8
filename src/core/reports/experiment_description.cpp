#include "reports/experiment_description.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <string_view>

#include "experiment/element_tables.hpp"
#include "experiment/experiment_state.hpp"
#include "fixedformat/edit_list.hpp"
#include "geometry/angles.hpp"

namespace korvex {

namespace {

// A number in a field of the given width with a fixed count of decimals, as
// the report prints it (no locale); one that rounds to zero shows no sign.
std::string field(float value, int width, int decimals) {
  const double v = static_cast<double>(value);
  return ff::formatReal(std::fabs(v) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : v, width, decimals);
}

// The same without padding.
std::string num(float value, int decimals) {
  const std::string text = field(value, 24, decimals);
  return text.substr(text.find_first_not_of(' '));
}

// Numbers in right-aligned columns of the given width.
template <typename Values>
std::string columns(const Values& values, std::size_t count, int width, int decimals) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += field(values[i], width, decimals);
  return out;
}

std::string trimmed(const std::string& padded) {
  const std::string_view text = ff::trimRight(padded);
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

void orientation(std::ostream& o, const ExperimentState& e) {
  o << "Wavelength        " << num(e.WAVELENGTH, 5) << " A (" << radiationName(radiationOf(e.WAVELENGTH))
    << ")\n";
  if (e.NUB == 3) {
    o << "Orientation       UB on Busing-Levy axes (BLAXES " << e.BLAXES[0] << ' ' << e.BLAXES[1] << ' '
      << e.BLAXES[2] << "), 1/A:\n";
    for (const auto& row : e.UB) o << "                 " << columns(row, 3, 11, 6) << '\n';
    o << "Cell from UB      " << columns(e.CELLUB, 6, 10, 4) << "   V = " << num(e.CELLUB[6], 3) << " A^3\n";
  } else {
    o << "Orientation       no UB matrix\n";
  }
  if (e.CELLGIVEN == 1) {
    o << "Cell from card    " << columns(e.CELL, 6, 10, 4) << '\n';
    if (e.NUB == 3) {
      // The percentage of each parameter the reader compares (warning above 1 %).
      std::array<float, 6> diff{};
      for (std::size_t i = 0; i < 6; ++i)
        diff[i] = e.CELLUB[i] != 0.0f ? 100.0f * (e.CELL[i] - e.CELLUB[i]) / e.CELLUB[i] : 0.0f;
      o << "Card - UB, %      " << columns(diff, 6, 10, 2) << '\n';
    }
  }
  o << "Cell volume used  " << num(e.CELLVOL, 3) << " A^3\n";
}

void absorption(std::ostream& o, const ExperimentState& e) {
  if (e.CRYSABS != 1) {
    o << "Crystal mu        none: the crystal's absorption is not corrected\n";
    return;
  }
  o << "Crystal mu        " << num(e.ABSCO * 10000.0f, 2) << " cm-1";
  if (e.CONTGIVEN == 1) {
    // Atoms per formula unit in order of atomic number, as the report lists them.
    o << " from the contents";
    const char* separator = " ";
    for (std::size_t z = 0; z < e.ELCOUNT.size(); ++z) {
      if (!(e.ELCOUNT[z] > 0.0f)) continue;
      const float n = e.ELCOUNT[z];
      o << separator << ff::trimRight(ELSYM[z]) << ' ' << (n == std::floor(n) ? std::to_string(std::lround(n)) : num(n, 2));
      separator = ", ";
    }
    o << "; Z = " << num(e.ZFORM, 1) << ", density " << num(e.DENSITY, 3) << " g/cm3";
  } else {
    o << " (KORVEX MU card)";
  }
  o << '\n';
}

void polyhedron(std::ostream& o, const ExperimentState& e) {
  static const char* const kinds[] = {"", "faces by hkl and distance", "faces by three points", "corners"};
  o << "Crystal model     polyhedron from " << kinds[e.MODELTYPE] << ": " << e.NFACES << " faces, " << e.NCORNERS
    << " corners, " << e.NEDGES << " edges\n";
  if (e.NUB == 3) {
    o << "  face          h         k         l   distance (um)\n";
    for (int f = 0; f < e.NFACES; ++f) {
      const auto& h = e.HKLD[static_cast<std::size_t>(f)];
      o << ff::formatInt(f + 1, 6) << columns(h, 3, 10, 4) << ff::formatReal(h[3] * 1000.0f, 15, 2) << '\n';
    }
  } else {
    o << "  face      A x     + B y     + C z     + D = 0 (scaled, D in um)\n";
    for (int f = 0; f < e.NFACES; ++f)
      o << ff::formatInt(f + 1, 6) << columns(e.FACE[static_cast<std::size_t>(f)], 4, 10, 4) << '\n';
  }
  o << "  corner        x         y         z (um)\n";
  for (int c = 0; c < e.NCORNERS; ++c)
    o << ff::formatInt(c + 1, 6) << columns(e.CORNER[static_cast<std::size_t>(c)], 3, 10, 2) << '\n';
  o << "Size              " << num(e.BOXMAX[0] - e.BOXMIN[0], 1) << " x " << num(e.BOXMAX[1] - e.BOXMIN[1], 1)
    << " x " << num(e.BOXMAX[2] - e.BOXMIN[2], 1) << " um along x, y, z\n";
}

void model(std::ostream& o, const ExperimentState& e) {
  const int points = e.NGRID[0] * e.NGRID[1] * e.NGRID[2];
  const std::string grid = std::to_string(e.NGRID[0]) + " x " + std::to_string(e.NGRID[1]) + " x " +
                           std::to_string(e.NGRID[2]) + " = " + std::to_string(points) + " points";
  switch (e.MODELTYPE) {
    case 0:
      o << "Crystal model     none: no crystal transmission is computed\n";
      return;
    case 4:
      o << "Crystal model     sphere of radius " << num(e.RADIUS, 2) << " um, mu*R = " << num(e.RADIUS * e.ABSCO, 3)
        << '\n';
      break;
    case 5:
      o << "Crystal model     the crystal fills the gasket hole: radius " << num(e.GASKETR, 1) << " um, height "
        << num(e.GASKETT, 1) << " um\n";
      break;
    default:
      polyhedron(o, e);
      break;
  }
  o << "Volume            " << std::lround(e.VOLUME) << " um^3";
  if (e.MODELTYPE == 4) o << " (the sphere itself " << std::lround(4.188787f * e.RADIUS * e.RADIUS * e.RADIUS) << ")";
  o << '\n';
  o << "Grid              " << grid << '\n';
  if (e.METHOD == 1) {
    std::ostringstream tolerance;
    tolerance << e.METHODTOL;
    o << "Method            exact (closed forms over the crystal; the rest to " << tolerance.str()
      << " relative), volume " << std::lround(e.exact.volume) << " um^3\n";
  } else {
    o << "Method            Gaussian grid\n";
  }
}

void cell(std::ostream& o, const ExperimentState& e) {
  static const char* const types[] = {"",
                                      "anvils on flat backing plates",
                                      "anvils on plates with a spherical outer surface",
                                      "a fixed empirical curve of transmission against psi",
                                      "anvils on plates with a conical opening",
                                      "your own transmission function"};
  if (e.DACTYPE == 0) {
    o << "Cell              none: the crystal is in air\n";
    return;
  }
  o << "Cell              type " << e.DACTYPE << ": " << types[e.DACTYPE] << '\n';
  o << "Opening           " << num(e.PSIMAX[0] / kRadiansPerDegree, 1) << " deg (anvil 1), "
    << num(e.PSIMAX[1] / kRadiansPerDegree, 1) << " deg (anvil 2)\n";
  if (e.DACTYPE < 5) {
    for (std::size_t a = 0; a < 2; ++a) {
      o << "Anvil " << a + 1 << "           " << num(e.DTHICK[a], 3) << " cm, mu " << num(e.DMU[a], 4)
        << " cm-1; plate " << num(e.DTHICK[a + 2], 3) << " cm, mu " << num(e.DMU[a + 2], 4) << " cm-1\n";
    }
  } else if (e.NDACCURVE < 0) {
    o << "Anvil function    sum(mu*t) " << num(e.DACSUMMUT[0], 3) << " (anvil 1), " << num(e.DACSUMMUT[1], 3)
      << " (anvil 2)\n";
  } else {
    o << "Anvil function    table of " << e.NDACCURVE << " points, psi " << num(e.DACCURVE[0][0], 1) << " to "
      << num(e.DACCURVE[static_cast<std::size_t>(std::max(e.NDACCURVE, 1) - 1)][0], 1) << " deg\n";
  }
  if (e.GASKGIVEN != 1) {
    o << "Gasket            none: no gasket shadowing and no medium\n";
    return;
  }
  o << "Gasket            " << num(e.GASKETT, 1) << " um thick, hole radius " << num(e.GASKETR, 1) << " um, ";
  if (e.GASKOPAQUE == 1) o << "opaque";
  else o << "mu " << num(e.GASKETMU * 10000.0f, 2) << " cm-1";
  o << "; obscured below " << num(e.MINILLUM, 2) << " illuminated\n";
  if (e.MODELTYPE == 5) o << "Medium            none: the crystal fills the hole\n";
  else if (e.MEDIAABS == 1) o << "Medium            mu " << num(e.MUMEDIA * 10000.0f, 2) << " cm-1\n";
  else o << "Medium            not absorbing\n";
}

void restrictions(std::ostream& o, const ExperimentState& e) {
  o << "Less-than         I <= " << num(e.LESSTHAN, 1) << " sigma(I)\n";
  o << "2theta range      " << num(e.TTHMIN, 2) << " to " << num(e.TTHMAX, 2) << " deg\n";
  o << "Intensity scale   " << num(e.SCALE, 4) << '\n';
  o << "Flagged rejected  " << (e.DELREJ == 1 ? "deleted" : "kept (KORVEX REJECT KEEP)") << '\n';
}

}  // namespace

std::string describeExperiment(const ExperimentState& e) {
  std::ostringstream o;
  o << "Title             " << trimmed(e.TITLE) << '\n';
  orientation(o, e);
  absorption(o, e);
  model(o, e);
  cell(o, e);
  restrictions(o, e);
  o << describeUnreadLines(e);
  return o.str();
}

std::string describeUnreadLines(const ExperimentState& e) {
  if (e.unreadLines.empty()) return "Lines not read    none\n";
  std::ostringstream o;
  o << "Lines not read as cards: " << e.unreadLines.size() << '\n';
  for (const UnreadLine& u : e.unreadLines) o << "  line " << u.line << ": " << u.text << '\n';
  return o.str();
}

}  // namespace korvex
