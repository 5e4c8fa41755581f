// Reading a plug-in's registration record (PiPL) the way the host does before it loads the plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pwhost {

struct PiplProperty {
    std::string vendor;  // "8BIM"
    std::string key;     // four characters as written in the host's documentation, e.g. "kind"
    int32_t id = 0;
    std::vector<uint8_t> data;  // exactly `length` bytes, padding excluded
    uint32_t paddedSize = 0;    // bytes the property occupies after its 16-byte header
};

struct PiplRecord {
    uint32_t version = 0;
    std::vector<PiplProperty> properties;

    const PiplProperty* Find(const std::string& key) const;
    // Typed views; each returns false when the property is missing or has the wrong shape.
    bool Code(const std::string& key, std::string& out) const;         // four-character code
    bool PascalString(const std::string& key, std::string& out) const;  // length-prefixed text
    bool CString(const std::string& key, std::string& out) const;       // zero-terminated text
    bool Long(const std::string& key, uint32_t& out) const;
    bool Shorts(const std::string& key, uint16_t& first, uint16_t& second) const;
};

// Parses the bytes of a PIPL resource. On failure returns false and says why in `error`.
bool ParsePipl(const std::vector<uint8_t>& bytes, PiplRecord& record, std::string& error);

// What the host checks before it will load an effect: an effect record naming an entry point for this processor.
// `entryKey` is "wx86" or "8664". Returns false with the reason in `error`.
bool ValidateEffectPipl(const PiplRecord& record, const std::string& entryKey, std::string& entryPoint,
                        std::string& error);

}  // namespace pwhost
