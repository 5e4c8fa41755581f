// A small reader of resources in a Windows PE image, so the registration record of a DLL can be read on any
// platform without loading the DLL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pwhost {

struct PeImageInfo {
    uint16_t machine = 0;  // 0x14c i386, 0x8664 x86-64
    bool pe32Plus = false;
};

// Finds the resource of the named type (compared without regard to case), numeric id and language.
// Returns false with the reason in `error` for a malformed image or a missing resource.
bool ReadPeResource(const std::vector<uint8_t>& image, const std::string& type, uint16_t id, uint16_t language,
                    std::vector<uint8_t>& out, PeImageInfo& info, std::string& error);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string& error);

}  // namespace pwhost
