// Reading ahead and computing transmissions in parallel.
#include "reflections/reflection_supply.hpp"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include "reflections/processing.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

// Records read ahead per thread: enough to keep every core busy, few enough
// that the loop's own work (listing, output) waits on little.
constexpr std::size_t kRecordsPerThread = 128;

bool sameBeams(const ReflectionBeams& a, const ReflectionBeams& b) {
  return a.DCI == b.DCI && a.DCD == b.DCD && a.twoTheta == b.twoTheta;
}

}  // namespace

int threadsFor(const WorkOptions& options) {
  return options.threads > 0 ? options.threads : tbb::info::default_concurrency();
}

// As many threads as asked for, even beyond the number of cores. The next
// block is computed by the arena's workers while the loop's own thread
// processes the current one; that thread joins them when it has to wait.
struct ReflectionSupply::Parallel {
  explicit Parallel(int threads)
      : limit(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(threads)), arena(threads) {}
  tbb::global_control limit;
  tbb::task_arena arena;
  tbb::task_group group;
};

ReflectionSupply::ReflectionSupply(Run& run, TransmissionCache& cache)
    : run_(run),
      cache_(cache),
      threads_(threadsFor(run.state.work)),
      // One thread reads, computes and processes one reflection at a time.
      blockSize_(threads_ == 1 ? 1 : kRecordsPerThread * static_cast<std::size_t>(threads_)) {
  if (threads_ > 1) parallel_ = std::make_unique<Parallel>(threads_);
}

// A pass that ends early (a rescaling, a fatal error) still waits for the
// block under way: its tasks read the model and write into ahead_.
ReflectionSupply::~ReflectionSupply() {
  if (!computing_) return;
  try {
    finishComputing();
  } catch (...) {  // the pass is over; what the block raised concerns nobody
  }
}

void ReflectionSupply::fill(Block& block) {
  block.clear();
  while (block.size() < blockSize_) {
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
    block.push_back(std::move(slot));
  }
}

bool ReflectionSupply::next() {
  if (taken_ == block_.size()) {
    taken_ = 0;
    if (computing_) {
      finishComputing();
      std::swap(block_, ahead_);
    } else if (!unreadable_ && !endOfData_) {
      fill(block_);
      if (threads_ > 1) computeNow(block_);
    } else {
      block_.clear();
    }
    if (threads_ > 1 && !unreadable_ && !endOfData_) {
      fill(ahead_);
      startComputing(ahead_);
    }
    if (block_.empty()) {
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

// On one thread the transmission is computed when the loop asks for it.
const ReflectionTransmission& ReflectionSupply::transmission() {
  Slot& slot = block_[taken_ - 1];
  if (!slot.known) computeNow(block_);
  return slot.transmission;
}

std::vector<ReflectionSupply::Slot*> ReflectionSupply::toCompute(Block& block) {
  const ExperimentState& model = run_.exp;
  std::vector<Slot*> todo;
  for (Slot& s : block) {
    if (s.known || (s.record.CFLAG[1] == 'R' && model.DELREJ == 1)) continue;
    if (s.place < cache_.entries.size()) {
      const TransmissionCache::Entry& c = cache_.entries[s.place];
      if (c.filled && sameBeams(c.beams, beamsOf(s.record))) {
        s.transmission = c.transmission;
        s.known = true;
        continue;
      }
    }
    todo.push_back(&s);
  }
  return todo;
}

// The transmissions of `todo`, in parallel when there are threads; each
// task reads the model only and writes only its own slot.
void ReflectionSupply::compute(const std::vector<Slot*>& todo) {
  const ExperimentState& model = run_.exp;
  const CrystalKernel kernel = run_.state.work.referenceKernel ? CrystalKernel::Reference : CrystalKernel::Fast;
  auto one = [&todo, &model, kernel](std::size_t i) {
    todo[i]->transmission = reflectionTransmission(model, beamsOf(todo[i]->record), kernel);
  };
  if (threads_ == 1 || todo.size() < 2) {
    for (std::size_t i = 0; i < todo.size(); ++i) one(i);
    return;
  }
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, todo.size(), 1), [&one](const auto& range) {
    for (std::size_t i = range.begin(); i != range.end(); ++i) one(i);
  });
}

void ReflectionSupply::computeNow(Block& block) {
  const std::vector<Slot*> todo = toCompute(block);
  if (parallel_)
    parallel_->arena.execute([&] { compute(todo); });
  else
    compute(todo);
  remember(todo);
}

void ReflectionSupply::startComputing(Block& block) {
  aheadTodo_ = toCompute(block);
  computing_ = true;
  parallel_->arena.execute([this] { parallel_->group.run([this] { compute(aheadTodo_); }); });
}

void ReflectionSupply::finishComputing() {
  computing_ = false;
  parallel_->arena.execute([this] { parallel_->group.wait(); });
  remember(aheadTodo_);
}

// The slots computed are known, and kept for a later pass.
void ReflectionSupply::remember(const std::vector<Slot*>& done) {
  for (Slot* s : done) {
    s->known = true;
    if (cache_.entries.size() <= s->place) cache_.entries.resize(s->place + 1);
    cache_.entries[s->place] = {true, beamsOf(s->record), s->transmission};
  }
}

}  // namespace korvex
