#include "support/child_exit.h"

#include <signal.h>

#include <cerrno>
#include <chrono>

namespace zt30::test {

bool WaitForChildExit(const std::function<bool()>& exited, int timeoutMs) {
    // Blocked, SIGCHLD stays pending until sigtimedwait takes it, so an exit between the check and the wait
    // is not missed.
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &childSignal, &previous);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool done = exited();
    while (!done) {
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        const timespec wait{static_cast<time_t>(left.count() / 1'000'000'000),
                            static_cast<long>(left.count() % 1'000'000'000)};
        sigtimedwait(&childSignal, nullptr, &wait);
        done = exited();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return done;
}

}  // namespace zt30::test
