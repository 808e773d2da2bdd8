// Fuzzing the SHELX reflection reader (direction cosines).
#include "fuzz/reflection_reader_fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvex::fuzz::readReflections(data, size, 1);
  return 0;
}
