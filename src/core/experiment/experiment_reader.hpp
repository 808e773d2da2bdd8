// Reading the experiment file: general cards, crystal-model cards,
// diamond-anvil-cell cards, and the absorption coefficient from the cell
// contents.
#pragma once

#include <string>

namespace korvex {

struct Run;

// READ_CRYSTAL_DATA: reads the whole experiment file (unit 3) into run.exp.
void readCrystalData(Run& run);
// READ_MODEL: one card whose columns 1-6 read "KORVEX" (80 chars, upper case).
// Returns false when the card holds none of the words of a KORVEX card: it
// was warned of and is not read as a card.
bool readModel(Run& run, const std::string& card);
// READ_DAC: one card whose columns 1-3 read "DAC"; the ABSPSI table form
// reads further lines of the experiment file through the same buffer.
void readDac(Run& run, std::string& card);
// CALCMU: density and linear absorption coefficient from the contents text.
void calcMu(Run& run, const std::string& text);

}  // namespace korvex
