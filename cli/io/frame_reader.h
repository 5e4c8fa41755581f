// The footage the effect is applied to, one frame at a time by frame number.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/frame.h"
#include "io/image_file.h"
#include "project/frame_rate.h"
#include "project/project.h"

namespace pwcli {

struct ClipInfo {
    int width = 0;                      // of the frames read: the canvas
    int height = 0;
    Depth depth = Depth::k8;            // the footage's own depth
    int frameCount = 0;                 // frames 0 .. frameCount - 1 exist
    std::optional<FrameRate> fps;       // when the footage says
    std::string description;            // for messages: "clip.mov (1920x1080, 8-bit, 240 frames)"
    // Where the frames sit in the picture: the canvas holds the display window and every frame's data window
    // (EXR overscan and bounding boxes); without windows both are the frame.
    PixelRect canvas, display;
    std::optional<long long> firstNumber;  // a sequence's file number of frame 0
    std::vector<long long> missing;        // numbers of a sequence's files absent between its first and last
    std::string audioCodec;                // a video's first sound stream, as ffprobe names it; empty: none
    bool windowed = false;                 // some frame's data window is not its display window
};

class FrameReader {
public:
    virtual ~FrameReader() = default;
    virtual const ClipInfo& Info() const = 0;
    // Frame n (0 <= n < frameCount) at full size in `depth`. Safe to call from several threads at once.
    // Throws CliError(kExitInput) when the frame cannot be read.
    virtual Frame Read(int n, Depth depth) = 0;
    // The depth the render will ask for, known once the job is settled: footage that must be converted is then
    // converted once, as it is decoded. `reach`: how many frames before or after the one rendered the render may
    // also read (the Time treatment), so that a reader keeps no more decoded frames than that.
    virtual void Prepare(Depth, int /*reach*/) {}
    // Frame n written straight into `height` rows of `width` pixels, `stride` bytes apart (a host's world of the
    // canvas size); by default read and copied.
    virtual void ReadInto(int n, Depth depth, unsigned char* rows, std::size_t stride, int width, int height);
    // Frame n as the reader already holds it (decoded and kept), to be read where it is; null when it holds none.
    virtual std::shared_ptr<const Frame> Held(int, Depth) { return nullptr; }
    // The files read, so that no output overwrites one.
    virtual std::vector<std::string> Files() const { return {}; }
    // What frame n is made of now (its file's size and time), for the record of a rendered frame; empty for
    // footage that is generated.
    virtual std::string Stamp(int) const { return ""; }
};

// The frame's pixels into rows `stride` bytes apart, as many as both have.
void CopyRows(const Frame& frame, unsigned char* rows, std::size_t stride, int width, int height);

// "<bytes>:<modification time in ns>", or "missing".
std::string FileStamp(const std::string& path);

// Opens the input; `rate` is the frame rate of the job (the pattern's motion follows it). A pattern is
// `length` frames long. Throws CliError(kExitInput) when the input cannot be opened.
std::unique_ptr<FrameReader> OpenReader(const InputSpec& input, const FrameRate& rate, int length);

std::string DescribeClip(const std::string& name, int width, int height, Depth depth, int frames);

}  // namespace pwcli
