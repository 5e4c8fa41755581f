#include "host/module.h"

#include "host/pipl_source.h"

#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace pwhost {
namespace {

#if defined(_WIN32)
std::string LastErrorText()
{
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}
#endif

}  // namespace

PluginModule::PluginModule(const std::string& path) : path_(path)
{
    if (CheckRecord()) LoadLibraryAndEntry();
}

bool PluginModule::CheckRecord()
{
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadPluginPipl(path_, bytes, why)) {
        error_ = "refusing plug-in '" + path_ + "': " + why;
        return false;
    }
    if (!ParsePipl(bytes, record_, why) || !ValidateEffectPipl(record_, HostEntryKey(), entryName_, why)) {
        error_ = "refusing plug-in '" + path_ + "': " + why;
        return false;
    }
    return true;
}

void PluginModule::LoadLibraryAndEntry()
{
    const std::string& path = path_;
#if defined(_WIN32)
    std::string native = path;
    for (char& c : native)
        if (c == '/') c = '\\';
    // No error dialog for a missing or broken file: the caller reports it.
    DWORD previous = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    HMODULE library = LoadLibraryA(native.c_str());
    SetThreadErrorMode(previous, nullptr);
    if (!library) {
        error_ = "cannot load plug-in '" + path + "': " + LastErrorText();
        return;
    }
    library_ = library;
    // void(*)(void) is the one function type GCC lets every other convert through without a warning.
    const FARPROC symbol = GetProcAddress(library, entryName_.c_str());
    if (!symbol) {
        error_ = "plug-in '" + path + "' does not export " + entryName_ + ", the entry point its registration record names";
        Unload();
        return;
    }
    entry_ = reinterpret_cast<PF_EntryPointFunc>(reinterpret_cast<void (*)(void)>(symbol));
#else
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* why = dlerror();
        error_ = "cannot load plug-in '" + path + "': " + (why ? why : "unknown error");
        return;
    }
    dlerror();
    void* symbol = dlsym(library_, entryName_.c_str());
    if (!symbol) {
        error_ = "plug-in '" + path + "' does not export " + entryName_ + ", the entry point its registration record names";
        Unload();
        return;
    }
    entry_ = reinterpret_cast<PF_EntryPointFunc>(symbol);
#endif
}

PluginModule::~PluginModule() { Unload(); }

PluginModule::PluginModule(PluginModule&& other) noexcept
    : path_(std::move(other.path_)),
      error_(std::move(other.error_)),
      record_(std::move(other.record_)),
      entryName_(std::move(other.entryName_)),
      library_(std::exchange(other.library_, nullptr)),
      entry_(std::exchange(other.entry_, nullptr))
{
}

PluginModule& PluginModule::operator=(PluginModule&& other) noexcept
{
    if (this != &other) {
        Unload();
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
        record_ = std::move(other.record_);
        entryName_ = std::move(other.entryName_);
        library_ = std::exchange(other.library_, nullptr);
        entry_ = std::exchange(other.entry_, nullptr);
    }
    return *this;
}

void PluginModule::Unload()
{
    entry_ = nullptr;
    if (!library_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library_));
#else
    dlclose(library_);
#endif
    library_ = nullptr;
}

}  // namespace pwhost
