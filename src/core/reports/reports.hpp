// The print-file header and experiment report, and the CIF fragment.
#pragma once

#include <string>

namespace korvex {

struct Run;

// WRITE_HEADER: banner, date and time, experiment file name.
void writeHeader(Run& run);
// WRITE_CRYSTAL_DATA: the experiment report (also forms LAMBDAV2).
void writeCrystalData(Run& run);
// WRITE_CIF_KORVEX: the CIF fragment named after the output file.
void writeCifKorvex(Run& run);

// The CIF fragment's file name for an output reflection file's name (given
// without its directory, blank padding allowed): the name up to its first
// "." followed by "_korvex.cif"; a name without "." gives "_korvex.cif".
std::string cifFileName(const std::string& outputName);

}  // namespace korvex
