// Files that exist under their real name only when complete. Everything is written under a hidden temporary name
// in the same folder, unique to this process and this write, checked to the last byte, flushed to disk and only
// then renamed into place; a failure removes the temporary and names the file and the system's reason.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pwcli {

// ".partial.HOST-PID-N.NAME" beside `path`: the owner is in the name, so that a later run can tell the leftovers
// of a process that is gone from the files of one still writing.
std::string PartialName(const std::string& path);

// Makes the folder of `path` if needed; throws CliError(kExitOutput).
void MakeParentFolder(const std::string& path);

// Writes `bytes` as `path`, complete or not at all. Throws CliError(kExitOutput, "cannot write PATH: REASON").
void WriteFileWhole(const std::string& path, const void* data, std::size_t size);
inline void WriteFileWhole(const std::string& path, const std::vector<unsigned char>& bytes)
{
    WriteFileWhole(path, bytes.data(), bytes.size());
}

// A temporary that something else (ffmpeg) wrote: flushed to disk and renamed to `path`. Throws as above and
// removes the temporary on failure.
void CommitPartial(const std::string& partial, const std::string& path);

// The whole file, or false with the system's reason.
bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);

// Removes the temporaries in `folder` that a process of this machine left when it ended without cleaning up (it
// was killed); those of live processes and of other machines stay. Returns how many were removed.
int RemoveStalePartials(const std::string& folder);

}  // namespace pwcli
