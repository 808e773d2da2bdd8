// Placeholder: replaced by the model build.
#include "model/model_build.hpp"
#include "run/run.hpp"
namespace korvex {
void buildModel(Run& run) { run.state.MODELBUILT = 1; }
}  // namespace korvex
