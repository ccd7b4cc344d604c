#include "RenderPool.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "bookjob/BookJob.h"
#include "common/DebugLog.h"

namespace quill {

namespace {

// While waiting, the window gets its events this often.
constexpr std::chrono::milliseconds kWaitSlice{50};
// What a worker is taken to need until one has rendered a page: about twice what the
// engine holds after a chapter of the book.
constexpr uint64_t kFirstPeakGuess = uint64_t{400} << 20;
// Left to the rest of the system whatever the workers take.
constexpr uint64_t kReserve = uint64_t{256} << 20;

}  // namespace

bool RoomForAnotherWorker(uint64_t available, const std::vector<platform::ProcessMemory>& running,
                          uint64_t expectedPeak) {
    uint64_t needed = expectedPeak + kReserve;
    for (const platform::ProcessMemory& worker : running) {
        needed += worker.peak > worker.resident ? worker.peak - worker.resident : 0;
    }
    return available >= needed;
}

RenderPool::RenderPool(std::string program, std::string library, IWindowLog& log,
                       std::function<bool()> cancelled, int maxWorkers, int niceness)
    : program_(std::move(program)),
      library_(std::move(library)),
      log_(log),
      cancelled_(std::move(cancelled)),
      maxWorkers_(static_cast<size_t>(std::max(1, maxWorkers))),
      niceness_(niceness),
      expectedPeak_(kFirstPeakGuess) {}

void RenderPool::LaunchEarly() {
    if (slots_.empty()) {
        slots_.push_back({std::make_unique<RenderWorker>(program_, library_, niceness_), -1});
    }
    slots_.front().worker->LaunchEarly();
}

bool RenderPool::RoomForAnother() const {
    const std::optional<uint64_t> available = platform::AvailableMemory();
    if (!available) {
        return true;  // the processors alone bound the workers
    }
    std::vector<platform::ProcessMemory> running;
    for (const Slot& slot : slots_) {
        if (const int pid = slot.worker->Pid(); pid > 0) {
            if (const auto memory = platform::MemoryOfProcess(pid)) {
                running.push_back(*memory);
            }
        }
    }
    return RoomForAnotherWorker(*available, running, expectedPeak_);
}

bool RenderPool::CanTake() {
    for (const Slot& slot : slots_) {
        if (!slot.worker->Pending()) {
            return true;
        }
    }
    return slots_.empty() || (slots_.size() < maxWorkers_ && RoomForAnother());
}

void RenderPool::Submit(long long tag, const render::Request& request,
                        std::chrono::milliseconds bound) {
    Slot* chosen = nullptr;
    for (Slot& slot : slots_) {
        // A worker whose engine has started goes first.
        if (!slot.worker->Pending() && (chosen == nullptr || slot.worker->Pid() > 0)) {
            chosen = &slot;
        }
    }
    if (chosen == nullptr) {
        slots_.push_back({std::make_unique<RenderWorker>(program_, library_, niceness_), -1});
        chosen = &slots_.back();
        DebugLog("render workers: " + std::to_string(slots_.size()));
    }
    chosen->worker->Submit(request, bound);
    chosen->tag = tag;
}

bool RenderPool::Busy() const {
    return std::any_of(slots_.begin(), slots_.end(),
                       [](const Slot& slot) { return slot.worker->Pending(); });
}

std::vector<RenderPool::Finished> RenderPool::Harvest() {
    std::vector<Finished> finished;
    for (Slot& slot : slots_) {
        if (!slot.worker->Pending()) {
            continue;
        }
        std::optional<RenderOutcome> outcome = slot.worker->Poll();
        if (!outcome) {
            continue;
        }
        // What this page took counts for the next worker: its peak so far.
        if (const int pid = slot.worker->Pid(); pid > 0) {
            if (const auto memory = platform::MemoryOfProcess(pid)) {
                expectedPeak_ = measured_ ? std::max(expectedPeak_, memory->peak) : memory->peak;
                measured_ = true;
            }
        }
        finished.push_back({slot.tag, std::move(*outcome)});
    }
    return finished;
}

std::vector<RenderPool::Finished> RenderPool::Wait(Clock::time_point until) {
    for (;;) {
        std::vector<Finished> finished = Harvest();
        if (!finished.empty() || !Busy()) {
            return finished;
        }
        Clock::time_point wake = until;
        std::vector<pollfd> replies;
        for (const Slot& slot : slots_) {
            if (slot.worker->Pending()) {
                wake = std::min(wake, slot.worker->Deadline());
                if (slot.worker->ReplyFd() >= 0) {
                    replies.push_back({slot.worker->ReplyFd(), POLLIN, 0});
                }
            }
        }
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            return finished;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now);
        const int timeout =
            static_cast<int>(std::clamp<long long>(left.count(), 0, kWaitSlice.count()));
        if (::poll(replies.data(), replies.size(), timeout) == 0) {
            log_.ProcessMessages();
            if (cancelled_ && cancelled_()) {
                slots_.clear();  // every worker stopped
                throw EBuildCancelled("The book build was cancelled");
            }
        }
    }
}

void RenderPool::StopIdleWorkers() {
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(),
                                [](const Slot& slot) { return !slot.worker->Pending(); }),
                 slots_.end());
}

}  // namespace quill
