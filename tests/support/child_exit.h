// Waiting for a child process of a test to end: woken by SIGCHLD, not by polling on a timer, so the wait
// ends as soon as the child does and a slow machine only makes it longer.
#pragma once

#include <functional>

namespace zt30::test {

// Waits up to timeoutMs until exited() is true; exited reaps the child (waitpid with WNOHANG) and says
// whether it has ended. Returns the last answer of exited().
bool WaitForChildExit(const std::function<bool()>& exited, int timeoutMs);

}  // namespace zt30::test
