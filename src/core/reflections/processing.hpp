// Reading reflections, the processing loop and the output reflection file.
#pragma once

namespace korvex {

struct Run;

// READ_REFLECTION: the next record of the input file; ieof = 1 at its end.
void readReflection(Run& run, int& ieof);
// PROCESS_DATA: the whole data set, with rescaling, and the run summary.
void processData(Run& run);
// DYNAMIC_FT: the most decimals with which value fits a field of the width.
void dynamicFt(int width, float value, int& decimals, int& ierr);

}  // namespace korvex
