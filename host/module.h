// A plug-in file loaded into this process, and its EntryPointFunc.
#pragma once

#include <string>

#include "ae_effect.h"

namespace pwhost {

class PluginModule {
public:
    // Loads the file and looks up EntryPointFunc; on failure IsLoaded() is false and Error() says why.
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(PluginModule&& other) noexcept;
    PluginModule& operator=(PluginModule&& other) noexcept;
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool IsLoaded() const { return entry_ != nullptr; }
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }
    PF_EntryPointFunc EntryPoint() const { return entry_; }

private:
    void Unload();

    std::string path_;
    std::string error_;
    void* library_ = nullptr;
    PF_EntryPointFunc entry_ = nullptr;
};

}  // namespace pwhost
