// Text the tool prints for a person or a pipe (listings, the beat table): a write that fails (a full device, a
// reader that went away) is a failed output, not a success.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli_error.h"

namespace pwcli {

[[noreturn]] inline void TextLost(const char* name, int err)
{
    throw CliError(kExitOutput, std::string("cannot write to ") + name + ": " + (err ? std::strerror(err) : "write error"));
}

// Writes `text`; throws CliError(kExitOutput) with the system's reason when it cannot.
inline void PutText(std::FILE* out, const std::string& text, const char* name = "standard output")
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) TextLost(name, errno);
}

// Flushes `out` and throws CliError(kExitOutput) if anything written to it was lost.
inline void FinishText(std::FILE* out, const char* name = "standard output")
{
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) TextLost(name, errno);
}

}  // namespace pwcli
