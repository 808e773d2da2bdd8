// Fuzzing the Drevik reflection reader.
#include "fuzz/reflection_reader_fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvex::fuzz::readReflections(data, size, 0);
  return 0;
}
