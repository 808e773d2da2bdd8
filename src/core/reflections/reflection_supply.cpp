// Reading ahead and computing transmissions in parallel.
#include "reflections/reflection_supply.hpp"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include "reflections/processing.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

// Records read ahead per thread: enough to keep every core busy, few enough
// that the loop's own work (listing, output) waits on little.
constexpr std::size_t kRecordsPerThread = 32;

bool sameBeams(const ReflectionBeams& a, const ReflectionBeams& b) {
  return a.DCI == b.DCI && a.DCD == b.DCD && a.twoTheta == b.twoTheta;
}

}  // namespace

int threadsFor(const WorkOptions& options) {
  return options.threads > 0 ? options.threads : tbb::info::default_concurrency();
}

// As many threads as asked for, even beyond the number of cores.
struct ReflectionSupply::Parallel {
  explicit Parallel(int threads)
      : limit(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(threads)), arena(threads) {}
  tbb::global_control limit;
  tbb::task_arena arena;
};

ReflectionSupply::ReflectionSupply(Run& run, TransmissionCache& cache)
    : run_(run),
      cache_(cache),
      threads_(threadsFor(run.state.work)),
      // One thread reads, computes and processes one reflection at a time.
      blockSize_(threads_ == 1 ? 1 : kRecordsPerThread * static_cast<std::size_t>(threads_)) {
  if (threads_ > 1) parallel_ = std::make_unique<Parallel>(threads_);
}

ReflectionSupply::~ReflectionSupply() = default;


void ReflectionSupply::fill() {
  block_.clear();
  taken_ = 0;
  while (block_.size() < blockSize_) {
    int ieof = 0;
    try {
      readReflectionAhead(run_, ieof);
    } catch (const FatalError&) {
      unreadable_ = std::current_exception();
      return;
    }
    if (ieof == 1) {
      endOfData_ = true;
      return;
    }
    Slot slot;
    slot.record = run_.refl;
    slot.place = placed_++;
    block_.push_back(std::move(slot));
  }
}

bool ReflectionSupply::next() {
  if (taken_ == block_.size()) {
    if (!unreadable_ && !endOfData_) fill();
    if (taken_ == block_.size()) {
      if (unreadable_) {
        try {
          std::rethrow_exception(unreadable_);
        } catch (const UnreadableReflection& u) {
          noteUnreadable(run_, u);
          throw;
        }
      }
      return false;
    }
  }
  run_.refl = block_[taken_].record;
  ++taken_;
  return true;
}

const ReflectionTransmission& ReflectionSupply::transmission() {
  Slot& slot = block_[taken_ - 1];
  if (!slot.known) computeBlock();
  return slot.transmission;
}

// Every record of the block the loop will correct (not one it drops as
// rejected), from the cache where an earlier pass computed it, the rest in
// parallel.
void ReflectionSupply::computeBlock() {
  const ExperimentState& model = run_.exp;
  const CrystalKernel kernel = run_.state.work.referenceKernel ? CrystalKernel::Reference : CrystalKernel::Fast;
  std::vector<Slot*> todo;
  for (std::size_t i = taken_ - 1; i < block_.size(); ++i) {
    Slot& s = block_[i];
    if (s.known || (s.record.CFLAG[1] == 'R' && model.DELREJ == 1)) continue;
    const ReflectionBeams beams = beamsOf(s.record);
    if (s.place < cache_.entries.size()) {
      const TransmissionCache::Entry& c = cache_.entries[s.place];
      if (c.filled && sameBeams(c.beams, beams)) {
        s.transmission = c.transmission;
        s.known = true;
        continue;
      }
    }
    todo.push_back(&s);
  }

  auto compute = [&](std::size_t i) {
    todo[i]->transmission = reflectionTransmission(model, beamsOf(todo[i]->record), kernel);
  };
  if (threads_ == 1 || todo.size() < 2) {
    for (std::size_t i = 0; i < todo.size(); ++i) compute(i);
  } else {
    parallel_->arena.execute([&] {
      tbb::parallel_for(tbb::blocked_range<std::size_t>(0, todo.size(), 1), [&](const auto& range) {
        for (std::size_t i = range.begin(); i != range.end(); ++i) compute(i);
      });
    });
  }

  for (Slot* s : todo) {
    s->known = true;
    if (cache_.entries.size() <= s->place) cache_.entries.resize(s->place + 1);
    cache_.entries[s->place] = {true, beamsOf(s->record), s->transmission};
  }
}

}  // namespace korvex
