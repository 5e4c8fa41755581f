// The Slurm batch scripts of a farmed render: an array job, a task a chunk of frames, and the job that joins them.
#pragma once

#include <string>
#include <vector>

namespace pwcli {

struct FarmPlan {
    std::string program;     // this renderer, by absolute path
    std::string plugin;      // the plug-in it loads
    std::string project;     // the job
    std::string stem;        // the job's name, for the scheduler's listing
    std::string dir;         // scripts, logs, intermediate frames
    int first = 0, last = 0;  // frames
    int chunk = 1;
    int cpus = 1;
    std::string partition;
    // Where the tasks write their frames, when not the job's own output (a video's frames), and the number of
    // frame 0's file in the sequence the joining job reads.
    std::string framesPattern;
    long long framesStart = 0;
    bool intermediate = false;
    bool join = false;  // a video to join or a contact sheet to write

    int Tasks() const { return (last - first) / chunk + 1; }
};

// The words of a command as a shell reads them back: each in single quotes.
std::string ShellQuote(const std::string& word);

std::string RenderScript(const FarmPlan& plan);
std::string JoinScript(const FarmPlan& plan);
// Submits the render job, then the joining job after it succeeds, as a person would by hand.
std::string SubmitScript(const FarmPlan& plan);

}  // namespace pwcli
