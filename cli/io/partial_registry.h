// What a program stopped at once (a second Ctrl-C, SIGTERM or SIGHUP) must clean up from its signal handler: the
// temporaries being written and the child processes writing into them. Slots are fixed so that the handler needs
// no allocation or lock.
#pragma once

#include <string>

#include <sys/types.h>

namespace pwcli {

// Known to the handler for its lifetime.
class PartialGuard {
public:
    explicit PartialGuard(const std::string& path);
    ~PartialGuard();
    PartialGuard(const PartialGuard&) = delete;
    PartialGuard& operator=(const PartialGuard&) = delete;

private:
    int slot_ = -1;
};

void RegisterChild(pid_t pid);
void UnregisterChild(pid_t pid);

// Async-signal-safe: kills the registered children and removes the registered temporaries.
void CleanUpForExit() noexcept;

}  // namespace pwcli
