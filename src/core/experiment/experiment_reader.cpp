#include "experiment/experiment_reader.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string_view>

#include "experiment/card_keywords.hpp"
#include "experiment/element_tables.hpp"
#include "fixedformat/edit_list.hpp"
#include "fixedformat/input.hpp"
#include "geometry/angles.hpp"
#include "geometry/cell.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

constexpr std::size_t kCardLength = 80;
constexpr std::size_t kContentsLength = 60;
constexpr std::size_t npos = std::string::npos;

// ---- Messages -------------------------------------------------------------

const ff::EditList kCellDifference(
    "('UNIT CELL IN EXP FILE ','DIFFERENT FROM CALCULATED FROM UB MATRIX:','   FROM UB:',7F10.4,"
    "'  FROM EXP:',7F10.4)");
const ff::EditList kWavelengthUnknown(
    "('WAVELENGTH = ',F6.3,' NOT RECOGNISED',/,'      ABS COEFF CANNOT BE CALCULATED',/)");

const std::string kReadError = "  ERROR READING EXPERIMENT DATA FILE  STRING WAS: ";
const std::string kDataMissing = "DATA MISSING FROM CARD:  ";
const char* const kTooManyUb = "*****ERROR: TOO MANY UB LINES";
const char* const kPartialUb = "ERROR IN READ_HKL: ONLY PART OF UB MATRIX PRESENT";
const char* const kNoCell = "NO UNIT CELL OR UB IN EXP FILE";
const char* const kContentsAfterMu =
    "BOTH CELL CONTENTS AND ABSORPTION COEFFICIENT GIVEN IN EXP FILE: VALUE ON KORVEX MU CARD WILL BE USED";
const char* const kMuAfterContents =
    "BOTH CELL CONTENTS AND ABSORPTION COEFFICIENT GIVEN IN EXP FILE:  VALUE ON KORVEX MU CARD WILL BE USED";
const char* const kNoModel = "NO MODEL LOADED BUT ABS COEFF > 0  : NO CRYSTAL ABSORPTION CORRECTIONS WILL BE MADE";
const char* const kNoAbsorption = "MODEL LOADED BUT ABS COEFF = 0  :NO CRYSTAL ABSORPTION CORRECTIONS WILL BE MADE";
const char* const kNoFaces = "NO CRYSTAL FACES LOADED FROM EXP FILE";
const char* const kNoCorners = "NO CRYSTAL CORNERS LOADED FROM EXP FILE";
const char* const kSphereIgnores = "SPHERICAL MODEL SELECTED, SO OTHER CRYSTAL INFO WILL BE IGNORED";
const char* const kFilledNoDac = "FILLED GASKET MODEL SELECTED, BUT NO DAC INFORMATION LOADED";
const char* const kFilledNoGasket = "FILLED GASKET MODEL SELECTED, BUT NO GASKET INFORMATION LOADED";
const char* const kFilledNoMedium =
    "FILLED GASKET MODEL SELECTED, REQUEST FOR ABSORPTION BY PRESSURE MEDIUM IGNORED";
const char* const kHklInDac = "INPUT BY HKL MODEL NOT RECOMMENDED FOR DAC, BETTER TO SWITCH TO CRYSTAL MODEL BY XYZ";
const char* const kSphereInDac =
    "SPHERICAL CRYSTAL NOT COMPATIBLE WITH DAC. CALCULATIONS WILL PROCEED WITH NON-ABSORBING CRYSTAL";
const char* const kType5NoFunction = "DAC TYPE 5 SELECTED, BUT NO ABSPSI TRANSMISSION FUNCTION LOADED";
const char* const kMediumNoGasket = "PRESSURE MEDIUM ABSORPTION NEEDS A DAC GASKET CARD";

const std::string kUnknownModel = "UNRECOGNISED LABEL ON KORVEX MODEL CARD:  ";
const std::string kUnknownKorvex = "UNRECOGNISED LABEL ON AN KORVEX CARD: ";
const char* const kInconsistentModel = "INCONSISTENT LABELLING FOR FACE MODEL";
const char* const kTooManyCorners = "TOO MANY CORNERS IN CRYSTAL MODEL: LIMIT IS 200";
const char* const kTooManyFaces = "TOO MANY FACES IN CRYSTAL MODEL: LIMIT IS 200";
const std::string kUnknownMethod = "UNRECOGNISED METHOD ON KORVEX METHOD CARD:  ";
const std::string kBadTolerance = "TOLERANCE ON KORVEX METHOD CARD MUST LIE FROM 1.0E-12 TO 1.0E-2:  ";

const std::string kUnknownDac = "UNRECOGNISED LABEL ON A DAC CARD: ";
const char* const kTableTooLong = "TOO MANY POINTS IN DAC ABSPSI TABLE: LIMIT IS 100";
const char* const kTableUnended = "END OF EXP FILE REACHED BEFORE THE END LINE OF THE DAC ABSPSI TABLE";

const char* const kUninterpreted = "UNINTERPRETED CHARACTER ON CELL CONTENTS CARD";
const char* const kAbscoZero = "ABSCO CALCULATED NEGATIVE OR ZERO - SET TO ZERO";

// ---- Card text ------------------------------------------------------------

void toUpper(std::string& s, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < std::min(to, s.size()); ++i)
    if (s[i] >= 'a' && s[i] <= 'z') s[i] = static_cast<char>(s[i] - 'a' + 'A');
}

bool blank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

// Whether the card opens with the word.
bool opens(const std::string& card, std::string_view word) { return card.compare(0, word.size(), word) == 0; }

// Whether the card opens with the word standing alone in columns 1 to 6: a
// shorter word is followed by a blank ("WAVEL 1 0.71", not "WAVELENGTH").
bool opensAlone(const std::string& card, std::string_view word) {
  return opens(card, word) && (word.size() >= 6 || card[word.size()] == ' ');
}

// The card from 0-based column `at` to its end (empty beyond the card).
std::string_view tail(const std::string& card, std::size_t at) {
  if (at >= card.size()) return {};
  return std::string_view(card).substr(at);
}

// One physical line as an 80-column card: cut or blank-padded. A tab is one
// blank, so that "WAVEL<tab>1 0.71" is the card it looks like.
std::string cardOf(const std::string& line) {
  std::string card = ff::padded(line, kCardLength);
  std::replace(card.begin(), card.end(), '\t', ' ');
  return card;
}

// Free-format values from a text. Values the text does not reach keep their
// contents.
template <typename... T>
ff::ReadStatus readValues(std::string_view text, T&... values) {
  ff::ListReader reader(text);
  return reader.readAll(values...);
}

// Every value must be there and readable.
void requireAll(ff::ReadStatus status, const std::string& message) {
  if (status != ff::ReadStatus::Ok) error(message);
}
// Values may be missing at the end; what is there must be readable.
void requireReadable(ff::ReadStatus status, const std::string& message) {
  if (status == ff::ReadStatus::BadValue) error(message);
}

// ---- General cards --------------------------------------------------------

void readUbCard(ExperimentState& e, const std::string& card, bool& ubl) {
  if (opens(card, cards::kUbl)) ubl = true;
  ++e.NUB;
  if (e.NUB >= 4) error(kTooManyUb);
  auto& row = e.UB[static_cast<std::size_t>(e.NUB - 1)];
  requireAll(readValues(tail(card, ubl ? 3 : 2), row[0], row[1], row[2]), kReadError + card);
}

void readTwoThetaCard(ExperimentState& e, const std::string& card) {
  // The limit is the first number in the ten columns after the word.
  auto limit = [&](std::string_view word, float& value) {
    const std::size_t p = card.find(word);
    if (p == npos) return;
    requireAll(readValues(tail(card, p + 3).substr(0, 10), value), kReadError + card);
  };
  limit("MAX", e.TTHMAX);
  limit("MIN", e.TTHMIN);
}

void readCellCard(ExperimentState& e, const std::string& card) {
  // The numbers start in column 7, or in column 5 when columns 5 and 6 hold
  // the start of the first number ("CELL 5.4307 ..."), which column 7 would
  // cut to ".4307". They end where a CONTENTS word on the same card begins,
  // so that one card can carry both.
  auto numberChar = [](char c) { return c == ' ' || c == '.' || c == '+' || c == '-' || (c >= '0' && c <= '9'); };
  const std::size_t start = numberChar(card[4]) && numberChar(card[5]) ? 4 : 6;
  std::string_view numbers = tail(card, start);
  const std::size_t contents = card.find(cards::kContents);
  if (contents != npos) numbers = contents > start ? numbers.substr(0, contents - start) : std::string_view{};

  ff::ListReader reader(numbers);
  ff::ReadStatus status = ff::ReadStatus::Ok;
  for (std::size_t i = 0; i < 7 && status == ff::ReadStatus::Ok; ++i) status = reader.read(e.CELL[i]);
  if (status == ff::ReadStatus::Ok) status = reader.read(e.CELLVOL);
  requireReadable(status, kReadError + card);

  if (e.CELLVOL < 0.1f) e.CELLVOL = getCellVol({e.CELL[0], e.CELL[1], e.CELL[2], e.CELL[3], e.CELL[4], e.CELL[5]}, 0);
  e.CELLGIVEN = 1;
}

void readContentsCard(Run& run, const std::string& card) {
  ExperimentState& e = run.exp;
  if (e.CRYSABS == 1) {
    warning(run, kContentsAfterMu);
    return;
  }
  const std::size_t p = card.find(cards::kContents);
  e.CONTENTS = ff::padded(tail(card, p + cards::kContents.size()), kContentsLength);
  e.CONTGIVEN = 1;
}

// The checks and derivations once the whole file has been read.
void afterLastCard(Run& run, bool ubl) {
  ExperimentState& e = run.exp;

  if (ubl)
    for (auto& row : e.UB)
      for (float& v : row) v = v / e.WAVELENGTH;

  if (e.NUB == 3) {
    rotateUb(run);
    recipCell(run);
    realCell(run);
  } else if (e.NUB > 0) {
    error(kPartialUb);
  }

  if (e.CELLVOL >= 0.1f && e.NUB == 3) {
    for (std::size_t i = 0; i < 6; ++i) {
      if (std::fabs(e.CELLUB[i] - e.CELL[i]) > 0.01f * e.CELLUB[i]) {
        const auto& u = e.CELLUB;
        const auto& c = e.CELL;
        warning(run, kCellDifference.text({u[0], u[1], u[2], u[3], u[4], u[5], u[6],  //
                                           c[0], c[1], c[2], c[3], c[4], c[5], c[6]}));
      }
    }
  } else if (!(e.CELLVOL >= 0.1f)) {
    if (e.NUB != 3) error(kNoCell);
    std::copy(e.CELLUB.begin(), e.CELLUB.begin() + 6, e.CELL.begin());
    e.CELLVOL = e.CELLUB[6];
  }

  if (e.CONTGIVEN == 1) calcMu(run, e.CONTENTS);

  if (e.MODELTYPE == 0 && e.CRYSABS != 0) {
    warning(run, kNoModel);
    e.CRYSABS = 0;
  }
  if (e.MODELTYPE != 0 && e.CRYSABS == 0) {
    warning(run, kNoAbsorption);
    e.ABSCO = 0.0f;
  }

  switch (e.MODELTYPE) {
    case 1:
    case 2:
      if (e.NFACES == 0) error(kNoFaces);
      break;
    case 3:
      if (e.NCORNERS == 0) error(kNoCorners);
      break;
    case 4:
      if (e.NCORNERS != 0 || e.NFACES != 0) warning(run, kSphereIgnores);
      break;
    case 5:
      if (e.DACTYPE == 0) error(kFilledNoDac);
      if (e.GASKGIVEN == 0) error(kFilledNoGasket);
      if (e.MUMEDIA > 0.0f) {
        warning(run, kFilledNoMedium);
        e.MEDIAABS = 0;
      }
      break;
    default:
      break;
  }

  if (e.DACTYPE != 0) {
    if (e.MODELTYPE == 1) warning(run, kHklInDac);
    if (e.MODELTYPE == 4) {
      warning(run, kSphereInDac);
      e.CRYSABS = 0;
      e.ABSCO = 0.0f;
      e.MODELTYPE = 0;
    }
    // Type 5 interpolates in the user's table or uses the sum(mu*t) curve:
    // without either there is no anvil transmission to apply.
    if (e.DACTYPE == 5 && e.NDACCURVE == 0) error(kType5NoFunction);
  }
  // The medium path is measured inside the gasket hole, between the culets:
  // without a gasket there is no hole and no path, with or without a cell type.
  if (e.MEDIAABS == 1 && e.GASKGIVEN == 0) error(kMediumNoGasket);
}

// ---- Cell contents --------------------------------------------------------

// Offset, counted from 0 at column q, of the later of the first comma and the
// first blank at or after q (-1 when there is neither): a count or Z is read
// from columns q to q+L.
int countExtent(const std::string& t, std::size_t q) {
  auto offset = [&](char c) {
    const std::size_t at = t.find(c, q);
    return at == npos ? -1 : static_cast<int>(at - q);
  };
  return std::max(offset(','), offset(' '));
}

// The first value of columns q to q+L of the work text; false when that text
// does not begin with a number.
bool readCount(const std::string& t, std::size_t q, int extent, float& value) {
  std::string_view text = tail(t, q);
  if (extent >= 0) text = text.substr(0, static_cast<std::size_t>(extent) + 1);
  float v = std::numeric_limits<float>::quiet_NaN();  // stays NaN for an empty value
  if (readValues(text, v) != ff::ReadStatus::Ok || std::isnan(v)) return false;
  value = v;
  return true;
}

// A count or Z may carry a sign; the sign itself stays in the text and is
// reported as uninterpreted with the other leftovers.
bool startsNumber(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-'; }

// The count of the symbol that ends just before column q. A symbol carries
// its count directly ("O2", "H12"); one followed by a blank stands for one
// atom in a formula written with blanks; one followed directly by a comma
// has an empty count and counts no atom ("C, H12"). Anything else (a sign, a
// letter, or a blank in a formula that also uses commas, where the text read
// would begin with the next symbol or its count) cannot be read.
bool elementCount(const std::string& t, std::size_t q, float& count) {
  if (q >= t.size()) {
    count = 1.0f;
    return true;
  }
  const int extent = countExtent(t, q);
  if (t[q] == ',') {
    count = extent == 0 ? 1.0f : 0.0f;
    return true;
  }
  if (t[q] == ' ') {
    if (extent != 0) return false;
    count = 1.0f;
    return true;
  }
  if (!startsNumber(t[q])) return false;
  return readCount(t, q, extent, count);
}

// Z = number of formula units in the cell, read from the text after "Z="
// up to the later of the first comma and the first blank. With a blank right
// after "=" and no comma later that text is empty: nothing is read and "Z="
// stays, to be reported as uninterpreted. Once a value is read, "Z=", the
// number and the delimiter right after it are blanked, and nothing more: the
// text up to the later delimiter may hold the start of the formula.
bool formulaUnits(std::string& t, float& z) {
  const std::size_t at = t.find("Z=");
  if (at == npos) return true;
  const std::size_t q = at + 2;
  if (q >= t.size()) return false;
  const int extent = countExtent(t, q);
  if (extent == 0) return true;
  const std::size_t last = extent < 0 ? t.size() : q + static_cast<std::size_t>(extent) + 1;
  float v = z;  // an empty value (a comma first) keeps the default
  ff::ListReader reader(std::string_view(t).substr(q, last - q));
  if (reader.read(v) != ff::ReadStatus::Ok || std::isnan(v)) return false;
  z = v;
  std::size_t end = q;
  while (end < last && t[end] == ' ') ++end;
  while (end < last && t[end] != ' ' && t[end] != ',') ++end;
  if (end < last) ++end;
  std::fill(t.begin() + static_cast<std::ptrdiff_t>(at), t.begin() + static_cast<std::ptrdiff_t>(end), ' ');
  return true;
}

}  // namespace

// ---- READ_CRYSTAL_DATA ----------------------------------------------------

void readCrystalData(Run& run) {
  ExperimentState& e = run.exp;
  resetForNewFile(e);
  e.unreadLines.clear();
  bool ubl = false;  // UB rows given as UBL (times the wavelength), read from column 4
  run.files.experiment.rewind();

  std::string line;
  while (run.files.experiment.readLine(line)) {
    std::string card = cardOf(line);
    if (blank(std::string_view(card).substr(0, 6))) {
      // No keyword: a blank line, or a card shifted out of column 1.
      if (!blank(card)) e.unreadLines.push_back({run.files.experiment.lineNumber(), line});
      continue;
    }
    toUpper(card, 0, 6);
    if (opens(card, cards::kTitle)) {
      e.TITLE = ff::padded(tail(card, 6), kCardLength);
      continue;
    }
    toUpper(card, 6, kCardLength);

    // A card may match several of these tests; each one that matches acts.
    // A line that matches none is not a card: it is ignored and remembered.
    const int lineNumber = run.files.experiment.lineNumber();
    bool taken = true;
    if (opensAlone(card, cards::kBlaxes))
      requireAll(readValues(tail(card, 6), e.BLAXES[0], e.BLAXES[1], e.BLAXES[2]), kReadError + card);
    else if (opensAlone(card, cards::kWavel)) {
      int unused = 0;
      requireAll(readValues(tail(card, 6), unused, e.WAVELENGTH), kReadError + card);
      // Every length derived from the orientation matrix divides by it.
      if (!(e.WAVELENGTH > 0.0f)) error(kReadError + card);
    } else if (opensAlone(card, cards::kParity))
      requireAll(readValues(tail(card, 6), e.PARITY[0], e.PARITY[1], e.PARITY[2], e.PARITY[3]), kReadError + card);
    else if (opensAlone(card, cards::kKorvex))
      taken = readModel(run, card);
    else
      taken = false;
    if (opens(card, cards::kDac)) {
      // A table read by the DAC card moves through the file on its own buffer;
      // the tests below still see the DAC card itself.
      std::string buffer = card;
      readDac(run, buffer);
      taken = true;
    }
    if (opens(card, cards::kCell)) {
      readCellCard(e, card);
      taken = true;
    }
    if (opens(card, cards::kUb)) {
      readUbCard(e, card, ubl);
      taken = true;
    }
    if (opensAlone(card, cards::kTwoTheta)) {
      readTwoThetaCard(e, card);
      taken = true;
    }
    if (opensAlone(card, cards::kScale)) {
      requireAll(readValues(tail(card, 6), e.SCALE), kReadError + card);
      taken = true;
    }
    if (card.find(cards::kContents) != npos) {
      readContentsCard(run, card);
      taken = true;
    }
    if (!taken) e.unreadLines.push_back({lineNumber, line});
  }

  afterLastCard(run, ubl);
}

// ---- READ_MODEL -----------------------------------------------------------

bool readModel(Run& run, const std::string& cardIn) {
  ExperimentState& e = run.exp;
  const std::string card = cardOf(cardIn);
  const std::string missing = kDataMissing + card;

  if (const std::size_t p = card.find(cards::kMu); p != npos) {
    if (e.CONTGIVEN == 1) {
      warning(run, kMuAfterContents);
      e.CONTGIVEN = 0;
    }
    float mu = e.ABSCO;
    requireAll(readValues(tail(card, p + cards::kMu.size()), mu), missing);
    if (mu > 0.0f) {
      e.ABSCO = mu / 10000.0f;
      e.CRYSABS = 1;
    } else {
      // No absorption: nothing of the card's value is kept as a coefficient.
      e.ABSCO = 0.0f;
      e.CRYSABS = 0;
    }
    return true;
  }

  if (const std::size_t p = card.find(cards::kLessThan); p != npos) {
    requireAll(readValues(tail(card, p + cards::kLessThan.size()), e.LESSTHAN), missing);
    if (e.LESSTHAN <= 0.0f) e.LESSTHAN = 0.0f;
    return true;
  }

  if (card.find(cards::kReject) != npos) {
    if (card.find(cards::kKeep) != npos) e.DELREJ = 0;
    return true;
  }

  if (card.find(cards::kModel) != npos) {
    struct Kind {
      std::string_view word;
      int type;
      std::size_t skip;  // columns between the end of the word and the numbers
    };
    static const Kind kinds[] = {{cards::kHkl, 1, 0},
                                 {cards::kXyzFace, 2, 0},
                                 {cards::kXyzCorner, 3, 0},
                                 {cards::kSphere, 4, 0},
                                 {cards::kFilledGasket, 5, 1}};
    for (const Kind& k : kinds) {
      const std::size_t p = card.find(k.word);
      if (p == npos) continue;
      e.MODELTYPE = k.type;
      const std::string_view numbers = tail(card, p + k.word.size() + k.skip);
      if (k.type == 4)
        requireAll(readValues(numbers, e.RADIUS, e.GRID[0], e.GRIDLIST), missing);
      else
        requireAll(readValues(numbers, e.GRID[0], e.GRID[1], e.GRID[2], e.GRIDLIST), missing);
      return true;
    }
    warning(run, kUnknownModel + card);
  }

  if (const std::size_t p = card.find(cards::kFace); p != npos) {
    // Face and corner lines share one table, so a crystal is given by one kind only.
    if (e.MODELTYPE > 2 || e.NCORNERS > 0) error(kInconsistentModel);
    if (e.NFACES >= kMaxFaceCards) error(kTooManyFaces);
    ++e.NFACES;
    e.MODELCARDS[static_cast<std::size_t>(e.NFACES - 1)] = ff::padded(tail(card, p + cards::kFace.size()), kCardLength);
    return true;
  }

  if (const std::size_t p = card.find(cards::kCorner); p != npos) {
    if ((e.MODELTYPE != 0 && e.MODELTYPE != 3) || e.NFACES > 0) error(kInconsistentModel);
    if (e.NCORNERS >= kMaxCorners) error(kTooManyCorners);
    ++e.NCORNERS;
    e.MODELCARDS[static_cast<std::size_t>(e.NCORNERS - 1)] =
        ff::padded(tail(card, p + cards::kCorner.size()), kCardLength);
    return true;
  }

  if (const std::size_t p = card.find(cards::kMethod); p != npos) {
    // GAUSS: the Gaussian grid. EXACT, with an optional relative tolerance
    // for what is not integrated in closed form.
    const std::string_view rest = tail(card, p + cards::kMethod.size());
    if (const std::size_t q = rest.find(cards::kExact); q != std::string_view::npos) {
      e.METHOD = 1;
      double tolerance = e.METHODTOL;
      const ff::ReadStatus status = readValues(rest.substr(q + cards::kExact.size()), tolerance);
      requireReadable(status, missing);
      if (status == ff::ReadStatus::Ok && !(tolerance >= 1e-12 && tolerance <= 1e-2)) error(kBadTolerance + card);
      e.METHODTOL = tolerance;
    } else if (rest.find(cards::kGauss) != std::string_view::npos) {
      e.METHOD = 0;
    } else {
      warning(run, kUnknownMethod + card);
    }
    return true;
  }

  warning(run, kUnknownKorvex + std::string(tail(card, 6)));
  return false;
}

// ---- READ_DAC -------------------------------------------------------------

namespace {

// The ABSPSI table: lines of psi (degrees), the one-pass transmission of
// anvil 1 and of anvil 2, up to a line holding END. Lines are read as
// written (no case change) into the next free slot of the table. A line with
// a negative angle or anvil-1 transmission is dropped and its slot reused; an
// anvil-2 value that is missing keeps what the slot held, and one below 0.001
// means "as anvil 1".
void readDacTable(Run& run, std::string& card) {
  ExperimentState& e = run.exp;
  int n = 0;
  std::string line;
  while (true) {
    if (!run.files.experiment.readLine(line)) error(kTableUnended);
    card = cardOf(line);
    if (card.find(cards::kEnd) != npos) break;
    if (blank(card)) continue;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const bool room = n < kMaxDacCurve;
    float psi = nan, t1 = nan;
    float t2 = room ? e.DACCURVE[static_cast<std::size_t>(n)][2] : 0.0f;
    const ff::ReadStatus status = readValues(card, psi, t1, t2);
    if (status == ff::ReadStatus::BadValue || std::isnan(psi) || std::isnan(t1)) error(kReadError + card);
    if (psi >= 0.0f && t1 >= 0.0f) {
      if (!room) error(kTableTooLong);
      if (t2 < 0.001f) t2 = t1;
      e.DACCURVE[static_cast<std::size_t>(n)] = {psi, t1, t2};
      ++n;
    } else if (room) {
      e.DACCURVE[static_cast<std::size_t>(n)] = {psi, t1, t2};
    }
  }
  e.NDACCURVE = n;
}

}  // namespace

void readDac(Run& run, std::string& cardIn) {
  ExperimentState& e = run.exp;
  const std::string card = cardOf(cardIn);
  const std::string bad = kReadError + card;

  if (const std::size_t p = card.find(cards::kType); p != npos) {
    requireAll(readValues(tail(card, p + cards::kType.size()), e.DACTYPE), bad);
    if (e.DACTYPE > 5 || e.DACTYPE < 0) e.DACTYPE = 0;
    return;
  }

  if (const std::size_t p = card.find(cards::kAbsPsi); p != npos) {
    (void)p;
    if (const std::size_t c = card.find(cards::kCurve); c != npos) {
      requireReadable(readValues(tail(card, c + cards::kCurve.size()), e.DACSUMMUT[0], e.DACSUMMUT[1]), bad);
      if (e.DACSUMMUT[1] < 0.01f) e.DACSUMMUT[1] = e.DACSUMMUT[0];
      e.NDACCURVE = -1;
    } else {
      readDacTable(run, cardIn);
    }
    return;
  }

  if (const std::size_t p = card.find(cards::kAnvil); p != npos) {
    const std::string_view numbers = tail(card, p + cards::kAnvil.size());
    requireReadable(readValues(numbers, e.DTHICK[0], e.DMU[0], e.DTHICK[1], e.DMU[1]), bad);
    if (e.DMU[0] < 0.001f) e.DMU[0] = 2.025f;  // diamond
    if (e.DMU[1] < 0.001f) e.DMU[1] = e.DMU[0];
    if (e.DTHICK[1] < 0.1f) e.DTHICK[1] = e.DTHICK[0];
    return;
  }

  if (const std::size_t p = card.find(cards::kPlate); p != npos) {
    const std::string_view numbers = tail(card, p + cards::kPlate.size());
    requireReadable(readValues(numbers, e.DTHICK[2], e.DMU[2], e.DTHICK[3], e.DMU[3]), bad);
    if (e.DMU[2] < 0.001f) e.DMU[2] = 0.473f;  // the platten material
    if (e.DTHICK[2] < 0.001f) e.DMU[2] = 0.0f;
    if (e.DMU[3] < 0.001f) e.DMU[3] = e.DMU[2];
    if (e.DTHICK[3] < 0.001f) e.DTHICK[3] = e.DTHICK[2];
    return;
  }

  if (const std::size_t p = card.find(cards::kOpen); p != npos) {
    float a = 0.0f, b = 0.0f;  // degrees
    requireReadable(readValues(tail(card, p + cards::kOpen.size()), a, b), bad);
    e.PSIMAX[0] = a;
    e.PSIMAX[1] = b < 1.0f ? a : b;
    for (float& v : e.PSIMAX) v = openingToRadians(v);
    return;
  }

  if (const std::size_t p = card.find(cards::kGasket); p != npos) {
    e.GASKOPAQUE = 0;
    float mu = e.GASKETMU * 10000.0f;  // cm-1 on the card
    requireReadable(readValues(tail(card, p + cards::kGasket.size()), e.GASKETT, e.GASKETR, mu, e.MINILLUM), bad);
    if (mu < 0.0f) e.GASKOPAQUE = 1;
    e.GASKGIVEN = 1;
    e.GASKETMU = mu / 10000.0f;
    return;
  }

  if (const std::size_t p = card.find(cards::kMuMedia); p != npos) {
    float mu = 0.0f;
    requireAll(readValues(tail(card, p + cards::kMuMedia.size()), mu), bad);
    e.MUMEDIA = mu / 10000.0f;
    e.MEDIAABS = 1;
    return;
  }

  error(kUnknownDac + card);
}

// ---- CALCMU ---------------------------------------------------------------

void calcMu(Run& run, const std::string& text) {
  ExperimentState& e = run.exp;
  const float lambda = e.WAVELENGTH;
  const int w = radiationOf(lambda);
  if (w == 0) {
    warning(run, kWavelengthUnknown.text({lambda}));
    e.CRYSABS = 0;
    e.ABSCO = 0.0f;
    return;
  }

  // A formula that cannot be read through is not used in part.
  auto unreadable = [&] {
    warning(run, kUninterpreted);
    e.ELCOUNT = {};
    e.ZFORM = 1.0f;
    e.DENSITY = 0.0f;
    e.CRYSABS = 0;
    e.ABSCO = 0.0f;
  };

  std::string t = ff::padded(text, kContentsLength);
  e.ZFORM = 1.0f;
  if (!formulaUnits(t, e.ZFORM)) return unreadable();

  // Two-letter symbols first, so that CO is cobalt and CL chlorine; then the
  // one-letter ones. Each symbol counts at its first occurrence only.
  for (int pass = 2; pass >= 1; --pass) {
    for (std::size_t z = 0; z < static_cast<std::size_t>(kElements); ++z) {
      if (pass == 2) e.ELCOUNT[z] = 0.0f;
      const std::string_view symbol = ff::trimRight(ELSYM[z]);
      if (symbol.size() != static_cast<std::size_t>(pass)) continue;
      const std::size_t at = t.find(symbol);
      if (at == npos) continue;
      if (!elementCount(t, at + symbol.size(), e.ELCOUNT[z])) return unreadable();
      std::fill(t.begin() + static_cast<std::ptrdiff_t>(at),
                t.begin() + static_cast<std::ptrdiff_t>(at + symbol.size()), ' ');
    }
  }

  for (char c : t)
    if (c != ' ' && c != ',' && c != '.' && !(c >= '0' && c <= '9')) warning(run, kUninterpreted);

  float mass = 0.0f;
  for (std::size_t z = 0; z < static_cast<std::size_t>(kElements); ++z)
    if (e.ELCOUNT[z] > 1.0E-5f) mass = mass + e.ELCOUNT[z] * ATWT[z];
  float sum = 0.0f;
  const auto& mumass = MUMASS[static_cast<std::size_t>(w - 1)];
  for (std::size_t z = 0; z < static_cast<std::size_t>(kElements); ++z)
    sum = sum + e.ELCOUNT[z] * ATWT[z] * mumass[z];

  e.DENSITY = mass * e.ZFORM / (e.CELLVOL * 0.6023f);
  const float mu = mass > 0.0f ? sum * e.DENSITY / mass : 0.0f;  // cm-1
  if (mu >= 0.1f) {
    e.ABSCO = mu / 10000.0f;
    e.CRYSABS = 1;
  } else {
    e.ABSCO = 0.0f;
    e.CRYSABS = 0;
    warning(run, kAbscoZero);
  }
}

}  // namespace korvex
