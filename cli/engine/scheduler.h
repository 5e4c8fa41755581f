// Frames rendered on several threads at once. Each frame is rendered alone (the effect keeps nothing between
// frames), by exactly one worker; results reach the output either in frame order on the calling thread (a video)
// or as they finish on the workers (files of a sequence). Either way every byte written is the same as with one
// thread.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "cli_error.h"
#include "io/frame.h"

namespace pwcli {

struct ScheduleResult {
    int delivered = 0;
    bool stopped = false;            // the stop flag was raised before every frame was done
    std::optional<CliError> error;   // the first failure; no frame is started after it
};

struct ScheduleCallbacks {
    // Renders a frame on worker `slot` (0 .. threads - 1); may throw CliError.
    std::function<Frame(int slot, int frame)> render;
    // Takes a finished frame; may throw CliError.
    std::function<void(int slot, int frame, Frame& image)> deliver;
};

// `frames` in the order they are wanted. With `ordered`, at most `window` frames wait for delivery, which bounds
// memory. A raised `stop` lets the frames in flight finish (and be delivered) and starts no more; so does a render
// that throws CliError(kExitInterrupted) (the plug-in stopped when the host's abort said so), minus that frame.
ScheduleResult RunFrames(const std::vector<int>& frames, int threads, bool ordered, int window,
                         const ScheduleCallbacks& callbacks, const std::atomic<bool>& stop);

}  // namespace pwcli
