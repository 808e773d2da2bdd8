// The print-file header and experiment report, and the CIF fragment.
#pragma once

namespace korvex {

struct Run;

// WRITE_HEADER: banner, date and time, experiment file name.
void writeHeader(Run& run);
// WRITE_CRYSTAL_DATA: the experiment report (also forms LAMBDAV2).
void writeCrystalData(Run& run);
// WRITE_CIF_KORVEX: the CIF fragment named after the output file.
void writeCifKorvex(Run& run);

}  // namespace korvex
