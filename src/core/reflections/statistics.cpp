// Statistics of a processing pass, the reflection listing and the summary.
#include "reflections/statistics.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "geometry/angles.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

constexpr int kLinesPerPage = 54;

const ff::EditList kAirHeading(
    "(/,/,2X,A80,/,'   H   K   L',6X,'TRANS',8X,'F(OBS)',2X,'SIGMA(F)',6X,'BETA',6X,'TTH',7X,'OMEGA',5X,"
    "'CHI',7X,'PHI',7X,'SEQ',/)");
const ff::EditList kAirLine("(3I4,F13.6,F12.3,F10.3,F11.5,4F10.3,I8,2X,2A2,4A1)");
const ff::EditList kCellHeading(
    "(/,/,2X,A80,/,'   H   K   L   TRANS   F(OBS)    SIGF    ','BETA  THETA  OMEGA     CHI     PHI   PSII    "
    "PSID ','  T(XTL)T(DAC)T(GAS)T(MED) NSEQ FLAGS',/)");
const ff::EditList kCellLine(
    "(3I4,F8.4,F9.2,2F8.2,2F7.2,2F8.2,F6.2,'[',I1,']',F6.2,'[',I1,']',4F6.3,I6,4A1)");

const ff::EditList kSummaryTitle("(/,/,/,5X,'SUMMARY OF DATA FOR ',A80,/)");
const char kAirCountsText[] =
    "(I7,' REFLECTIONS READ IN FROM FILE -',/,/,I7,' REFLECTIONS FLAGGED REJECTED IN INPUT FILE',A13,/,I7,"
    "' REFLECTIONS REJECTED WITH 2THETA OUTSIDE LIMITS',/,I7,' STANDARD REFLECTIONS',/,I7,"
    "' REFLECTIONS ARE OBSERVED AT ',F4.1,' I/SIGI',/,I7,' REFLECTIONS ARE UNOBSERVED AT ',F4.1,' I/SIGI',/)";
const char kCellCountsText[] =
    "(I7,' REFLECTIONS READ IN FROM FILE -',/,/,I7,' REFLECTIONS FLAGGED REJECTED IN INPUT FILE',A13,/,I7,"
    "' REFLECTIONS REJECTED WITH 2THETA OUTSIDE LIMITS',/,I7,' STANDARD REFLECTIONS',/,I7,"
    "' REFLECTIONS OBSCURED BY GASKET (FN.ILLUM.VOL. < ',F4.2,')',/,I7,"
    "' REFLECTIONS REJECTED WITH PSI OUTSIDE LIMITS',/,/,I7,' REFLECTIONS ARE OBSERVED AT ',F4.1,' I/SIGI',/,I7,"
    "' REFLECTIONS ARE UNOBSERVED AT ',F4.1,' I/SIGI')";

// Each count record opens with its count in I7, whose first column is the
// carriage control: a count of a million or more would lose its first digit
// to it. Such a run writes the block with a blank control column before
// every count, which moves it one column to the right.
constexpr int kWideCounts = 1000000;
std::string widened(std::string layout) {
  for (const char* at : {"(I7,", "/,I7,"}) {
    const std::string from = at;
    const std::string to = from.substr(0, from.size() - 3) + "1X,I7,";
    for (std::size_t p = layout.find(from); p != std::string::npos; p = layout.find(from, p + to.size()))
      layout.replace(p, from.size(), to);
  }
  return layout;
}

const ff::EditList kAirCounts(kAirCountsText);
const ff::EditList kCellCounts(kCellCountsText);
const ff::EditList kAirCountsWide(widened(kAirCountsText));
const ff::EditList kCellCountsWide(widened(kCellCountsText));
const ff::EditList kSeparator("(/,5X,100('*'))");

const ff::EditList kTthTableTitle(
    "(/,15X,'THE ',I5,' INPUT REFLECTIONS GROUPED',' BY F^2/SIGMA(F^2) AND 2THETA',/,15X,"
    "'      (STANDARDS AND REJECTED REFLECTIONS EXCLUDED)',/)");
const ff::EditList kTthTableHead(
    "(40X,'2THETA RANGE',/,18X,'  TOTAL  0-20  20-30 30-40',' 40-50 50-60 60-70 70-80 80-90 90-100 >100')");
const ff::EditList kTthTableRow("(5X,A6,' SIGMA: ',11I6)");
const ff::EditList kPsiTableTitleI(
    "(/,15X,'THE ',I5,' INPUT REFLECTIONS GROUPED',' BY F^2/SIGMA(F^2) AND PSI IN I-BEAM ANVIL',/,15X,"
    "'      (STANDARDS AND REJECTED REFLECTIONS EXCLUDED)',/)");
const ff::EditList kPsiTableTitleD(
    "(/,15X,'THE ',I5,' INPUT REFLECTIONS GROUPED',' BY F^2/SIGMA(F^2) AND PSI IN D-BEAM ANVIL',/,15X,"
    "'      (STANDARDS AND REJECTED REFLECTIONS EXCLUDED)',/)");
const ff::EditList kPsiTableHead(
    "(40X,'PSI RANGE',/,18X,'  TOTAL  0-10  10-20 20-25',' 25-30 30-35 35-40  >40')");
const ff::EditList kPsiTableRow("(5X,A6,' SIGMA: ',8I6)");
const ff::EditList kTableTotals("(/,11X,'TOTALS: ',11I6)");
const ff::EditList kTableCumulative("(/,6X,'CUMULATIVE TOTALS: ',10I6)");

const ff::EditList kStandardsHead(
    "(/,/,5X,'STANDARDS:',/,'  STD. NO.  NUMBER   AVG. F      SIGMA','     MIN. F     MAX. F        P',/)");
const ff::EditList kStandardLine("(I7,I9,5F11.3)");

const ff::EditList kCorrectionsHead("(/,/,5X,'SUMMARY OF DATA CORRECTIONS: ',/)");
const ff::EditList kCrystalRange("(8X,'RANGE OF CRYSTAL TRANSMISSION:    ',2F10.3)");
const ff::EditList kNoCrystal("(8X,'NO CRYSTAL TRANSMISSION CALCULATED')");
const ff::EditList kDacRange("(8X,'RANGE OF DAC TRANSMISSION FACTORS:',2F10.3)");
const ff::EditList kGasketRange("(8X,'RANGE OF GASKET TRANSMISSION:     ',2F10.3)");
const ff::EditList kMediaRange("(8X,'RANGE OF MEDIA TRANSMISSION:      ',2F10.3)");
const ff::EditList kOverallRange("(8X,'RANGE OF OVERALL TRANSMISSION:    ',2F10.3)");

const char* const kBinLabel[12] = {"    <1", "   1-2", "   2-3", "   3-4", "   4-5", "   5-9",
                                   " 10-19", " 20-29", " 30-39", " 40-49", "50-100", "  >100"};

std::string letter(char c) { return std::string(1, c); }

void takeMin(float& m, float v) {
  if (v < m) m = v;
}
void takeMax(float& m, float v) {
  if (v > m) m = v;
}

// psi in degrees of the beam that crosses the incident-beam anvil and of the
// beam that crosses the diffracted-beam anvil.
float psiDegrees(float psiRadians) { return psiRadians / kRadiansPerDegree; }

// One table: rows of counts over ncol columns, their totals and cumulative
// totals.
template <std::size_t NCOL>
void writeTable(Run& run, const std::array<std::array<int, NCOL>, 12>& table, const ff::EditList& title,
                const ff::EditList& head, const ff::EditList& row, int total) {
  auto& print = run.files.print;
  print.write(title, {total});
  print.write(head, {});
  std::array<int, NCOL> coltot{};
  for (std::size_t i = 0; i < 12; ++i) {
    int sum = 0;
    for (std::size_t j = 0; j < NCOL; ++j) {
      sum += table[i][j];
      coltot[j] += table[i][j];
    }
    std::vector<ff::Value> values{kBinLabel[i], sum};
    for (int n : table[i]) values.emplace_back(n);
    print.records(row.records(values));
  }
  std::vector<ff::Value> totals{total};
  for (int n : coltot) totals.emplace_back(n);
  print.records(kTableTotals.records(totals));
  for (std::size_t j = 1; j < NCOL; ++j) coltot[j] += coltot[j - 1];
  std::vector<ff::Value> cumulative;
  for (int n : coltot) cumulative.emplace_back(n);
  print.records(kTableCumulative.records(cumulative));
  print.write(kSeparator, {});
}

}  // namespace

int sigmaRow(float fi, float sigi) {
  // An intensity with a zero sigma is infinitely significant when positive.
  if (sigi == 0.0f) return fi > 0.0f ? 12 : 1;
  const float ratio = fi / sigi;
  static constexpr float kUpper[10] = {2.0f, 3.0f, 4.0f, 5.0f, 10.0f, 20.0f, 30.0f, 40.0f, 50.0f, 100.0f};
  if (ratio < 1.0f) return 1;
  for (int row = 0; row < 10; ++row)
    if (ratio <= kUpper[row]) return row + 2;
  return 12;
}

int twoThetaColumn(float twoTheta) {
  const float q = std::fabs(twoTheta) / 10.0f;
  if (!(q < 10.0f)) return 10;  // also a value that is not a number
  if (q < 1.0f) return 1;
  return static_cast<int>(q);
}

int psiColumn(float psi) {
  const float q = psi / 5.0f;
  if (q < 1.0f) return 1;     // also a negative psi
  if (!(q < 8.0f)) return 7;  // also a value that is not a number
  const int k = static_cast<int>(q) - 1;
  if (k <= 0) return 1;
  if (k <= 2) return 2;
  return k;
}

void resetStatistics(RunStatistics& s) {
  s.NSTD.fill(0);
  s.STDMIN.fill(1.0e6f);
  s.STDMAX.fill(0.0f);
  s.STDSUM.fill(0.0f);
  s.STDSSQ.fill(0.0f);
  s.STDSIG.fill(0.0f);
  s.NSTDOTHER = 0;
  for (auto& r : s.TTHTAB) r.fill(0);
  for (auto& r : s.PSITAB1) r.fill(0);
  for (auto& r : s.PSITAB2) r.fill(0);
  s.XTLMIN = 1.0f;
  s.XTLMAX = 0.0f;
  s.DACMIN = 1.0e6f;
  s.DACMAX = 0.0f;
  s.GASMIN = 1.0f;
  s.GASMAX = 0.0f;
  s.MEDMIN = 1.0f;
  s.MEDMAX = 0.0f;
  s.TOTMIN = 1.0f;
  s.TOTMAX = 0.0f;
  s.LINES = 60;
}

void addStandard(RunStatistics& s, const ReflectionRecord& r) {
  if (r.ISTD < 1 || r.ISTD > kMaxStandards) {
    ++s.NSTDOTHER;
    return;
  }
  const auto i = static_cast<std::size_t>(r.ISTD - 1);
  s.NSTD[i] += 1;
  takeMin(s.STDMIN[i], r.FOBS);
  takeMax(s.STDMAX[i], r.FOBS);
  s.STDSUM[i] += r.FOBS;
  s.STDSSQ[i] += r.FOBS * r.FOBS;
  s.STDSIG[i] += r.SIGF;
}

void addWrittenReflection(Run& run) {
  RunStatistics& s = run.stats;
  const ReflectionRecord& r = run.refl;
  const ExperimentState& e = run.exp;
  const TransmissionState& t = run.trans;
  const auto row = static_cast<std::size_t>(sigmaRow(r.FI, r.SIGI) - 1);
  s.TTHTAB[row][static_cast<std::size_t>(twoThetaColumn(r.ANG[0]) - 1)] += 1;
  if (e.DACTYPE > 0) {
    const float psiI = psiDegrees(r.ISIDE[1] == 1 ? r.PSI[1] : r.PSI[0]);
    const float psiD = psiDegrees(r.ISIDE[0] == 2 ? r.PSI[0] : r.PSI[1]);
    s.PSITAB1[row][static_cast<std::size_t>(psiColumn(psiI) - 1)] += 1;
    s.PSITAB2[row][static_cast<std::size_t>(psiColumn(psiD) - 1)] += 1;
    takeMin(s.DACMIN, t.TDAC);
    takeMax(s.DACMAX, t.TDAC);
  }
  if (e.CRYSABS == 1) {
    takeMin(s.XTLMIN, t.TXTAL);
    takeMax(s.XTLMAX, t.TXTAL);
  }
  if (e.GASKGIVEN == 1) {
    takeMin(s.GASMIN, t.TGAS);
    takeMax(s.GASMAX, t.TGAS);
    takeMin(s.MEDMIN, t.TMED);
    takeMax(s.MEDMAX, t.TMED);
  }
  takeMin(s.TOTMIN, t.TRANS);
  takeMax(s.TOTMAX, t.TRANS);
}

void listReflection(Run& run) {
  RunStatistics& s = run.stats;
  ReflectionRecord& r = run.refl;
  const TransmissionState& t = run.trans;
  const bool cell = run.exp.DACTYPE != 0;
  auto& print = run.files.print;
  s.LINES += 1;
  if (s.LINES > kLinesPerPage) {
    print.write(cell ? kCellHeading : kAirHeading, {run.exp.TITLE});
    s.LINES = 1;
  }
  if (!cell) {
    print.write(kAirLine, {r.IH[0], r.IH[1], r.IH[2], t.TRANS, r.FOBS, r.SIGF, r.EXTF, r.ANG[0], r.ANG[1], r.ANG[2],
                           r.ANG[3], r.NSEQ, letter(r.STAT[0]), letter(r.STAT[1]), letter(r.STAT[2]),
                           letter(r.STAT[3])});
    return;
  }
  r.PSI[0] = psiDegrees(r.PSI[0]);
  r.PSI[1] = psiDegrees(r.PSI[1]);
  print.write(kCellLine, {r.IH[0],    r.IH[1],    r.IH[2],    t.TRANS,    r.FOBS,     r.SIGF,
                          r.EXTF,     r.ANG[0],   r.ANG[1],   r.ANG[2],   r.ANG[3],   r.PSI[0],
                          r.ISIDE[0], r.PSI[1],   r.ISIDE[1], t.TXTAL,    t.TDAC,     t.TGAS,
                          t.TMED,     r.NSEQ,     letter(r.STAT[0]), letter(r.STAT[1]), letter(r.STAT[2]),
                          letter(r.STAT[3])});
}

void writeSummary(Run& run) {
  RunStatistics& s = run.stats;
  ProcessingCounters& c = run.counters;
  const ExperimentState& e = run.exp;
  const bool cell = e.DACTYPE != 0;
  auto& print = run.files.print;

  print.write(kSummaryTitle, {e.TITLE});
  c.NOUT = c.NOUT - c.NLESS;
  const int written = c.NOUT + c.NLESS;
  const char* rejection = e.DELREJ == 0 ? " BUT RETAINED" : " AND DELETED ";
  int standards = s.NSTDOTHER;
  for (int n : s.NSTD) standards += n;
  const bool wide = c.NREAD >= kWideCounts;  // no other count exceeds the reflections read
  if (!cell) {
    print.write(wide ? kAirCountsWide : kAirCounts, {c.NREAD, c.NREJ, rejection, c.NTTH, standards, c.NOUT, e.LESSTHAN, c.NLESS, e.LESSTHAN});
  } else {
    print.write(wide ? kCellCountsWide : kCellCounts, {c.NREAD, c.NREJ, rejection, c.NTTH, standards, c.NOBSC, e.MINILLUM, c.NPSI, c.NOUT,
                              e.LESSTHAN, c.NLESS, e.LESSTHAN});
  }
  print.write(kSeparator, {});

  writeTable(run, s.TTHTAB, kTthTableTitle, kTthTableHead, kTthTableRow, written);
  if (cell) {
    writeTable(run, s.PSITAB1, kPsiTableTitleI, kPsiTableHead, kPsiTableRow, written);
    writeTable(run, s.PSITAB2, kPsiTableTitleD, kPsiTableHead, kPsiTableRow, written);
  }

  // Standards measured at least twice: mean F, the spread of F and the
  // ratio P of the spread not explained by the counting statistics.
  bool anyListed = false;
  for (std::size_t i = 0; i < s.NSTD.size(); ++i) {
    const int n = s.NSTD[i];
    if (n < 2) continue;
    const float fn = static_cast<float>(n);
    const float mean = s.STDSUM[i] / fn;
    const float variance = (s.STDSSQ[i] - fn * (mean * mean)) / static_cast<float>(n - 1);
    const float sd = variance >= 0.00001f ? std::sqrt(variance) : 0.0f;
    const float meanSig = s.STDSIG[i] / fn;
    s.STDSUM[i] = mean;
    s.STDSSQ[i] = sd;
    s.STDSIG[i] = meanSig;
    const float p = mean < 0.0001f ? 0.0f : std::sqrt(std::fabs(sd * sd - meanSig * meanSig)) / mean;
    if (!anyListed) print.write(kStandardsHead, {});
    anyListed = true;
    print.write(kStandardLine, {static_cast<int>(i) + 1, n, mean, sd, s.STDMIN[i], s.STDMAX[i], p});
  }

  print.write(kCorrectionsHead, {});
  if (e.CRYSABS == 1)
    print.write(kCrystalRange, {s.XTLMIN, s.XTLMAX});
  else
    print.write(kNoCrystal, {});
  if (cell) {
    print.write(kDacRange, {s.DACMIN, s.DACMAX});
    if (e.GASKGIVEN == 1) {
      print.write(kGasketRange, {s.GASMIN, s.GASMAX});
      print.write(kMediaRange, {s.MEDMIN, s.MEDMAX});
    }
    print.write(kOverallRange, {s.TOTMIN, s.TOTMAX});
  }
  print.flush();
}

}  // namespace korvex
