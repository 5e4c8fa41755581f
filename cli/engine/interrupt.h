// Ctrl-C (and SIGTERM) as a request to stop: the first one raises a flag that the render checks between frames
// and the host's abort answers within a frame; a second one ends the program at once.
#pragma once

#include <atomic>

namespace pwcli {

void InstallInterruptHandler();
// The flag; also raised by tests.
std::atomic<bool>& StopRequested();

}  // namespace pwcli
