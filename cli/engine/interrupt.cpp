#include "engine/interrupt.h"

#include <csignal>

namespace pwcli {
namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnInterrupt(int sig)
{
    if (g_stop.exchange(true)) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
}

}  // namespace

void InstallInterruptHandler()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    // A child that stops reading (ffmpeg failing) must show as a failed write, not end this program.
    std::signal(SIGPIPE, SIG_IGN);
}

std::atomic<bool>& StopRequested() { return g_stop; }

}  // namespace pwcli
