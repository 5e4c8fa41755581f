#include "io/partial_registry.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace pwcli {
namespace {

constexpr int kSlots = 512;
constexpr int kPathBytes = 4096;

enum : int { kFree = 0, kFilling = 1, kReady = 2 };

struct PathSlot {
    std::atomic<int> state{kFree};
    char path[kPathBytes];
};

PathSlot g_paths[kSlots];
std::atomic<pid_t> g_children[64];

}  // namespace

PartialGuard::PartialGuard(const std::string& path)
{
    if (path.size() >= kPathBytes) return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!g_paths[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(g_paths[i].path, path.c_str(), path.size() + 1);
        g_paths[i].state.store(kReady);
        slot_ = i;
        return;
    }
}

PartialGuard::~PartialGuard()
{
    if (slot_ >= 0) g_paths[slot_].state.store(kFree);
}

void RegisterChild(pid_t pid)
{
    for (auto& slot : g_children) {
        pid_t expected = 0;
        if (slot.compare_exchange_strong(expected, pid)) return;
    }
}

void UnregisterChild(pid_t pid)
{
    for (auto& slot : g_children) {
        pid_t expected = pid;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

void CleanUpForExit() noexcept
{
    // Children first: an encoder that sees its input end would otherwise finish writing its temporary.
    for (auto& slot : g_children)
        if (const pid_t pid = slot.load(); pid > 0) ::kill(pid, SIGKILL);
    for (auto& slot : g_paths)
        if (slot.state.load() == kReady) ::unlink(slot.path);
}

}  // namespace pwcli
