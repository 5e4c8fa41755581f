#include "engine/interrupt.h"

#include <csignal>

#include "io/partial_registry.h"

namespace pwcli {
namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnInterrupt(int sig)
{
    if (g_stop.exchange(true)) {
        CleanUpForExit();
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
}

}  // namespace

void InstallInterruptHandler()
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, OnInterrupt);
    // A child that stops reading (ffmpeg failing), a reader of our output that went away and a file-size limit
    // must show as failed writes, not end this program.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

std::atomic<bool>& StopRequested() { return g_stop; }

}  // namespace pwcli
