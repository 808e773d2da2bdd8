// Placeholder: replaced by the generated element tables.
#include "experiment/element_tables.hpp"
namespace korvex {
const std::array<const char*, kElements> ELSYM{};
const std::array<float, kElements> ATWT{};
const std::array<std::array<float, kElements>, 5> MUMASS{};
}  // namespace korvex
