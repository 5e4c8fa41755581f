// How the command-line tool fails: an exit code that scripts can test, and a message that says what to change.
#pragma once

#include <stdexcept>
#include <string>

namespace pwcli {

enum ExitCode {
    kExitOk = 0,
    kExitRenderFailed = 1,  // the plug-in or the host reported an error while rendering
    kExitUsage = 2,         // bad option, project file or parameter value; nothing was written
    kExitInput = 3,         // the input cannot be read
    kExitOutput = 4,        // an output cannot be written
    kExitInterrupted = 130  // stopped by Ctrl-C; finished frames are kept
};

struct CliError : std::runtime_error {
    CliError(int exitCode, const std::string& message) : std::runtime_error(message), code(exitCode) {}
    int code;
};

[[noreturn]] inline void UsageError(const std::string& message) { throw CliError(kExitUsage, message); }

}  // namespace pwcli
