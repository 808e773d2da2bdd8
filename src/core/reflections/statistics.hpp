// Statistics of a processing pass and their print-file forms: the standards,
// the distribution of the written reflections over I/sigma(I) against 2theta
// and against the beam angles psi to the cell axis, the transmission ranges,
// the reflection listing with its page headings, and the run summary.
#pragma once

#include "reflections/reflection_record.hpp"

namespace korvex {

struct Run;

// Back to the reset values at the start of every pass.
void resetStatistics(RunStatistics& stats);
// One measurement of standard refl.ISTD (corrected F and sigma(F)).
void addStandard(RunStatistics& stats, const ReflectionRecord& refl);
// A reflection that is written: its I/sigma(I) bins and the ranges of the
// transmission factors in run.trans.
void addWrittenReflection(Run& run);
// The listing line of the current reflection, after a page heading when due.
// For a diamond-anvil cell the record's PSI is converted to degrees.
void listReflection(Run& run);
// The run summary at the end of the data (turns NOUT into the number of
// observed reflections written).
void writeSummary(Run& run);

// Bins, 1-based as printed. Row of I/sigma(I): 1 (< 1) to 12 (> 100).
int sigmaRow(float fi, float sigi);
// Column of 2theta (degrees): 1 (< 20) to 10 (>= 100).
int twoThetaColumn(float twoTheta);
// Column of psi (degrees): 1 (< 10), 2 (10-20), 3 to 6 (5-degree steps to
// 40), 7 (>= 40).
int psiColumn(float psiDegrees);

}  // namespace korvex
