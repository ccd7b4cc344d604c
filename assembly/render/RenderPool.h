#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RenderWorker.h"
#include "common/WindowLog.h"
#include "render/WorkerRoom.h"

namespace quill {

// Render workers side by side, each rendering one page at a time: at most maxWorkers, and
// a new one only while memory holds it at the peak the workers have reached so far, on top
// of what the running ones may grow back to. Each page keeps its own bound, and a page that
// fails, crashes its worker or runs out of time costs only that page and that worker; the
// others go on.
class RenderPool {
  public:
    using Clock = RenderWorker::Clock;

    // While it waits, the log's pending events are processed and cancelled (if set) is
    // asked; niceness is added to the workers' nice value.
    RenderPool(std::string program, std::string library, IWindowLog& log,
               std::function<bool()> cancelled, int maxWorkers, int niceness = 0);

    // Starts the first worker, without waiting for it (RenderWorker::LaunchEarly).
    void LaunchEarly();

    // Whether a page can be handed over now: a worker is free, or another may start.
    bool CanTake();
    // Hands a page over to a free worker, or to a new one. `tag` names it in Finished.
    void Submit(long long tag, const render::Request& request, std::chrono::milliseconds bound);
    bool Busy() const;

    struct Finished {
        long long tag;
        RenderOutcome outcome;
    };
    // Waits until at least one page is finished or `until` has come, and returns the
    // finished ones. Throws what the workers throw, and EBuildCancelled when cancelled.
    std::vector<Finished> Wait(Clock::time_point until = Clock::time_point::max());

    // Ends the workers (they start again when needed); for a pool that will idle long.
    void StopIdleWorkers();

  private:
    struct Slot {
        std::unique_ptr<RenderWorker> worker;
        long long tag = -1;
    };

    bool RoomForAnother() const;
    std::vector<Finished> Harvest();

    std::string program_;
    std::string library_;
    IWindowLog& log_;
    std::function<bool()> cancelled_;
    size_t maxWorkers_;
    int niceness_;
    std::vector<Slot> slots_;
    uint64_t expectedPeak_;
    bool measured_ = false;  // expectedPeak_ is a worker's, not the first guess
};

}  // namespace quill
