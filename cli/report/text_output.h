// Text the tool prints for a person or a pipe (listings, the beat table): a write that fails (a full device, a
// reader that went away) is a failed output, not a success.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli_error.h"

namespace pwcli {

// Flushes `out` and throws CliError(kExitOutput) if anything written to it was lost.
inline void FinishText(std::FILE* out, const char* name = "standard output")
{
    errno = 0;
    const bool failed = std::fflush(out) != 0 || std::ferror(out);
    if (failed)
        throw CliError(kExitOutput, std::string("cannot write to ") + name + ": " +
                                        (errno ? std::strerror(errno) : "write error"));
}

}  // namespace pwcli
