#include "host/pipl_source.h"

#include "host/pe_resources.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace pwhost {

const char* HostEntryKey() { return sizeof(void*) == 8 ? "8664" : "wx86"; }

bool ReadPluginPipl(const std::string& pluginPath, std::vector<uint8_t>& bytes, std::string& error)
{
#if defined(_WIN32)
    // As the real host does: the resource API on the file mapped as data.
    HMODULE module = LoadLibraryExA(pluginPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        error = "cannot open " + pluginPath;
        return false;
    }
    bool found = false;
    if (HRSRC resource = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(16000), MAKELANGID(LANG_ENGLISH,
                                                                                            SUBLANG_ENGLISH_US))) {
        const DWORD size = SizeofResource(module, resource);
        if (HGLOBAL loaded = LoadResource(module, resource)) {
            if (const void* data = LockResource(loaded)) {
                const auto* p = static_cast<const uint8_t*>(data);
                bytes.assign(p, p + size);
                found = true;
            }
        }
    }
    FreeLibrary(module);
    if (!found) error = pluginPath + " carries no registration record (resource PIPL 16000)";
    return found;
#else
    std::vector<uint8_t> file;
    if (!ReadFileBytes(pluginPath, file, error)) return false;
    if (file.size() >= 2 && file[0] == 'M' && file[1] == 'Z') {
        PeImageInfo info;
        if (ReadPeResource(file, "PIPL", 16000, 1033, bytes, info, error)) return true;
        error = pluginPath + ": " + error;
        return false;
    }
    const size_t dot = pluginPath.find_last_of('.');
    const size_t slash = pluginPath.find_last_of('/');
    const std::string sidecar =
        (dot != std::string::npos && (slash == std::string::npos || dot > slash) ? pluginPath.substr(0, dot)
                                                                                   : pluginPath) +
        ".pipl";
    if (!ReadFileBytes(sidecar, bytes, error)) {
        error = pluginPath + " carries no registration record (" + sidecar + " is missing)";
        return false;
    }
    return true;
#endif
}

}  // namespace pwhost
