// Ctrl-C, SIGTERM and SIGHUP as a request to stop: the first one raises a flag that the render checks between
// frames and the host's abort answers within a frame; a second one ends the program at once, after killing the
// encoders and removing the temporaries in flight, so that nothing half-written stays behind.
#pragma once

#include <atomic>

namespace pwcli {

void InstallInterruptHandler();
// The flag; also raised by tests.
std::atomic<bool>& StopRequested();

}  // namespace pwcli
