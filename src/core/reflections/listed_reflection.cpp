#include "reflections/listed_reflection.hpp"

namespace korvex {

ListedReflection listedReflection(const ReflectionRecord& r, const TransmissionState& t, bool written) {
  ListedReflection l;
  l.seq = r.NSEQ;
  l.hkl = r.IH;
  l.twoTheta = r.ANG[0];
  l.psi = r.PSI;
  l.side = r.ISIDE;
  l.trans = t.TRANS;
  l.txtal = t.TXTAL;
  l.tdac = t.TDAC;
  l.tgas = t.TGAS;
  l.tmed = t.TMED;
  l.stat = r.STAT;
  l.written = written;
  l.dci = r.DCI;
  l.dcd = r.DCD;
  return l;
}

}  // namespace korvex
