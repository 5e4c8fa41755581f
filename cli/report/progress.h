// Feedback while rendering: a bar with frames done, frames per second and time left on a terminal; plain lines,
// at most one a second, otherwise. Within a frame the plug-in's own progress calls move the bar.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "project/options.h"

namespace pwcli {

class Progress {
public:
    // `slots`: frames that can be in flight at once (one per thread).
    Progress(ProgressMode mode, int total, int slots, std::FILE* out);

    // The plug-in's progress within the frame a thread renders (current of total rows).
    void Partial(int slot, long current, long total);
    void FrameDone(int slot);
    // The last line: "rendered N frames in T s (F fps)" or, when stopped, what was done.
    void Finish(const std::string& closing);

    bool Active() const { return mode_ != ProgressMode::None; }
    // "[#####-----]  45/120 frames  12.3 fps  0:06 left", at most `width` characters: the bar narrows, then the
    // parts that matter least go (public for tests).
    static std::string Line(double done, int total, double seconds, bool bar, int width = 80);

private:
    void Show(bool force);

    ProgressMode mode_;
    int total_;
    std::FILE* out_;
    std::mutex mutex_;
    int done_ = 0;
    std::vector<double> partial_;
    std::chrono::steady_clock::time_point start_, lastShown_;
    bool shown_ = false;
};

// auto becomes bar on a terminal and lines elsewhere.
ProgressMode ResolveProgressMode(ProgressMode mode, std::FILE* out);
// The terminal's width in characters (COLUMNS when it cannot be asked; 80 when neither says).
int TerminalColumns(std::FILE* out);

}  // namespace pwcli
