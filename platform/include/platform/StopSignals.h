#pragma once

namespace platform {

// Turns Ctrl+C and SIGTERM into something a program waits for, together with its own
// "finished" news from another thread, without polling. Create it on the main thread
// before any other thread starts: the signals are blocked in every thread created after it
// and delivered to Wait() only.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Wakes Wait() (callable from any thread).
    void Notify();
    // Sleeps until a stop signal comes (true) or Notify() is called (false).
    bool Wait();

  private:
    int signalFd_ = -1;
    int eventFd_ = -1;
};

}  // namespace platform
