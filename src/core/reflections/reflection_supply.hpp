// The records of one processing pass, read ahead of the processing loop in
// blocks, with the transmissions of a block computed on all cores at once,
// and those of the next block already under way while the loop works
// through this one; the loop takes them one at a time in file order, so
// everything it writes is what reading and computing one reflection at a
// time would give. A
// transmission already computed in an earlier pass (before a rescaling) is
// taken again rather than computed again: it does not depend on the scale.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <vector>

#include "reflections/reflection_record.hpp"
#include "run/run_state.hpp"
#include "transmission/reflection_transmission.hpp"

namespace korvex {

struct Run;

// The transmissions of the records of a data set, by their place in the
// file, kept from one pass to the next.
struct TransmissionCache {
  struct Entry {
    bool filled = false;
    ReflectionBeams beams;
    ReflectionTransmission transmission;
  };
  std::vector<Entry> entries;
};

// Reflections in one pass at a time: 0 = every core.
int threadsFor(const WorkOptions& options);

class ReflectionSupply {
 public:
  ReflectionSupply(Run& run, TransmissionCache& cache);
  ~ReflectionSupply();

  // The next record of the file into run.refl (READ_REFLECTION); false at
  // the end of the data. A record the file cannot give raises its fatal
  // error here, when the processing reaches it.
  bool next();

  // The transmission of the record last handed out.
  const ReflectionTransmission& transmission();

  // Records read from the file so far in this pass.
  int recordsRead() const { return static_cast<int>(placed_); }

 private:
  struct Slot {
    ReflectionRecord record;
    std::size_t place = 0;  // in the file, counting from 0
    ReflectionTransmission transmission;
    bool known = false;
  };
  using Block = std::vector<Slot>;
  void fill(Block& block);
  // The slots of a block the loop will correct and no earlier pass has
  // computed (the others are taken from the cache here).
  std::vector<Slot*> toCompute(Block& block);
  void compute(const std::vector<Slot*>& todo);
  void computeNow(Block& block);
  void startComputing(Block& block);
  void finishComputing();
  void remember(const std::vector<Slot*>& done);

  struct Parallel;

  Run& run_;
  TransmissionCache& cache_;
  int threads_;
  std::size_t blockSize_;
  Block block_;             // the block handed out now
  Block ahead_;             // the next, its transmissions under way
  bool computing_ = false;  // ahead_ is being computed
  std::vector<Slot*> aheadTodo_;  // its slots being computed
  std::size_t taken_ = 0;   // slots of the block handed out
  std::size_t placed_ = 0;  // records read in this pass
  bool endOfData_ = false;
  std::exception_ptr unreadable_;  // what stopped the reading ahead
  std::unique_ptr<Parallel> parallel_;
};

}  // namespace korvex
