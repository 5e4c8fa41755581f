// The one place where the command-line tool meets the host library: an effect instance in its own host,
// set up with the job's footage, frame rate, depth and parameters, that renders one frame at a time.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ae_effect.h"
#include "host/buffer_pool.h"
#include "io/frame.h"
#include "project/frame_rate.h"
#include "io/frame_reader.h"
#include "project/keyframes.h"
#include "project/param_catalog.h"

namespace pwcli {

// What the plug-in says about itself: its About text and its parameters, declared into a scratch host.
struct PluginFacts {
    std::string about;
    ParamCatalog catalog;
};
// Throws CliError(kExitRenderFailed) when a set-up command fails.
PluginFacts QueryPlugin(PF_EntryPointFunc entry);

// A host result code in words, code included: "out of memory (error 4)".
std::string HostErrorMeaning(PF_Err err);

struct EngineSetup {
    PF_EntryPointFunc entry = nullptr;
    std::shared_ptr<FrameReader> reader;
    FrameRate rate;
    Depth depth = Depth::k8;
    int downsample = 1;
    const ParamCatalog* catalog = nullptr;
    std::map<int, Track> params;
    // The host as an examiner (padded, guarded worlds) rather than as a production host.
    bool checking = false;
    // The host as Premiere Pro hosts effects rather than as After Effects does.
    bool premiere = false;
    // Pixel memory shared by the engines, the footage and the writers; null: each host keeps its own.
    std::shared_ptr<pwhost::BufferPool> pool;
    // Where the host's record of every call goes, one line each (it is kept nowhere else); null: not recorded.
    std::function<void(const std::string& line)> trace;
};

// The beat clock and the decisions of one frame, as the render will make them.
struct BeatReport {
    int frame = 0;
    double seconds = 0;
    double beats = 0;
    int beatIndex = 0;
    double phase = 0;
    int frameInBeat = 0;
    double framesPerBeat = 0;
    double envelope = 0;
    bool inAttack = false;
    bool on[10] = {};  // Scroll, Slice, Stretch, RGB Separation, Color, Glow, Blur, Mosaic, Noise, Time
    bool noiseColor = false;
};

extern const char* const kTreatmentNames[10];

class RenderEngine {
public:
    // Global, parameter and sequence set-up, then the job's parameter values and keyframes. Throws CliError.
    explicit RenderEngine(const EngineSetup& setup);
    ~RenderEngine();  // sequence and global set-down
    RenderEngine(const RenderEngine&) = delete;
    RenderEngine& operator=(const RenderEngine&) = delete;

    // Pre-render and render of frame n. Throws CliError: kExitInput when the footage failed, kExitInterrupted when
    // the plug-in stopped at the host's abort, kExitRenderFailed when the plug-in or the host failed otherwise.
    Frame Render(int n);
    // The frame's pre-render alone, and the beat state computed from the settings it produced.
    BeatReport Beats(int n);

    // Called with the plug-in's own progress within a frame (rows done, rows in all).
    void SetProgressListener(std::function<void(long current, long total)> listener);

    // The size of a rendered frame.
    int Width() const;
    int Height() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace pwcli
