// A plug-in file loaded into this process the way the host loads an effect: its registration record is read and
// checked first (without running any of the file's code), then the file is loaded and the entry point the record
// names is looked up.
#pragma once

#include <string>

#include "ae_effect.h"
#include "host/pipl.h"

namespace pwhost {

class PluginModule {
public:
    // Refuses a file whose registration record is missing or malformed, is not an effect's, names no entry
    // point for this processor, or names one the file does not export: then IsLoaded() is false and Error() says
    // why.
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
    // What the registration record says (valid once the record has been read and checked).
    const PiplRecord& Record() const { return record_; }
    const std::string& EntryPointName() const { return entryName_; }

private:
    void Unload();
    bool CheckRecord();
    void LoadLibraryAndEntry();

    std::string path_;
    std::string error_;
    PiplRecord record_;
    std::string entryName_;
    void* library_ = nullptr;
    PF_EntryPointFunc entry_ = nullptr;
};

}  // namespace pwhost
