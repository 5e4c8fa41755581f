#include "cli_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/module.h"

extern char** environ;

namespace pwclitest {

PF_EntryPointFunc PluginEntry()
{
    static pwhost::PluginModule module(PW_TEST_PLUGIN);
    if (!module.IsLoaded()) throw std::runtime_error("cannot load the plug-in: " + module.Error());
    return module.EntryPoint();
}

const pwcli::PluginFacts& Facts()
{
    static const pwcli::PluginFacts facts = pwcli::QueryPlugin(PluginEntry());
    return facts;
}

TempDir::TempDir()
{
    char name[] = "/tmp/pw-cli-test-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    path_ = name;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

CliProcess StartCli(const std::vector<std::string>& args, const std::string& cwd, const std::vector<std::string>& wrapper)
{
    static int serial = 0;
    CliProcess p;
    const std::string base = "/tmp/pw-cli-run-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    p.outFile = base + ".out";
    p.errFile = base + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, p.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, p.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", cwd.empty() ? "." : cwd};
    argv.insert(argv.end(), wrapper.begin(), wrapper.end());
    argv.push_back(PW_CLI_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, "/bin/sh", &actions, nullptr, raw.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    p.pid = pid;
    return p;
}

CliRun WaitCli(CliProcess& p)
{
    CliRun run;
    int status = 0;
    if (p.pid > 0 && waitpid(p.pid, &status, 0) == p.pid)
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadFile(p.outFile);
    run.err = ReadFile(p.errFile);
    std::remove(p.outFile.c_str());
    std::remove(p.errFile.c_str());
    return run;
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& cwd, const std::vector<std::string>& wrapper)
{
    CliProcess p = StartCli(args, cwd, wrapper);
    return WaitCli(p);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        if (pclose(pipe) != 0) out.clear();
    }
    return out;
}

}  // namespace pwclitest
