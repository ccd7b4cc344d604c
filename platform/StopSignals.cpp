#include "platform/StopSignals.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace platform {

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

StopSignals::StopSignals() {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    eventFd_ = ::eventfd(0, EFD_CLOEXEC);
}

StopSignals::~StopSignals() {
    if (signalFd_ >= 0) {
        ::close(signalFd_);
    }
    if (eventFd_ >= 0) {
        ::close(eventFd_);
    }
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void StopSignals::Notify() {
    const uint64_t one = 1;
    ssize_t ignored = ::write(eventFd_, &one, sizeof one);
    (void)ignored;
}

bool StopSignals::Wait() {
    pollfd fds[2] = {{signalFd_, POLLIN, 0}, {eventFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info;
            ssize_t ignored = ::read(signalFd_, &info, sizeof info);
            (void)ignored;
            return true;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            ssize_t ignored = ::read(eventFd_, &count, sizeof count);
            (void)ignored;
            return false;
        }
    }
}

}  // namespace platform
