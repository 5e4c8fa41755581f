// The record beside a rendered sequence of what each frame file was rendered with, so that a resumed render can
// tell a finished frame from one of other settings or a damaged file. One JSON object per line, appended whole:
// renders of different frames of one sequence (the shards of a farm) share it safely, and a line cut off by a
// crash is ignored.
//
//   {"job": "<id>", "settings": {...}}                    what a render of these settings was given
//   {"frame": 7, "file": "a.0007.png", "job": "<id>", "input": "...", "bytes": 51234, "hash": "<hex>"}
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "io/sequence_pattern.h"

namespace pwcli {

// "DIR/.NAME####.EXT.pulsewarper" for DIR/NAME%04d.EXT.
std::string ManifestPath(const SequencePattern& pattern);

struct ManifestEntry {
    int frame = 0;
    std::string file;   // the file's name, without its folder
    std::string job;    // the settings' id
    std::string input;  // what the input frame was when it was read (its file's size and time)
    uint64_t bytes = 0;
    std::string hash;   // of the file's bytes
};

struct Manifest {
    std::map<std::string, nlohmann::json> jobs;  // settings by id
    std::map<int, ManifestEntry> frames;         // the last entry of each frame
};

// An absent file is an empty manifest; unreadable lines are skipped.
Manifest ReadManifest(const std::string& path);

class ManifestWriter {
public:
    ManifestWriter(std::string path, std::string job, nlohmann::json settings);
    ~ManifestWriter();
    ManifestWriter(const ManifestWriter&) = delete;
    ManifestWriter& operator=(const ManifestWriter&) = delete;

    const std::string& Job() const { return job_; }
    // Appends the entry (the settings first, once). Safe from any thread. Throws CliError(kExitOutput).
    void Record(const ManifestEntry& entry);

private:
    void Append(const std::string& line);

    std::string path_, job_;
    nlohmann::json settings_;
    std::mutex mutex_;
    int fd_ = -1;
};

}  // namespace pwcli
