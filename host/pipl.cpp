#include "host/pipl.h"

#include <cstring>

namespace pwhost {
namespace {

uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Codes are stored as little-endian integers, so the bytes spell the code backwards.
std::string ReadCode(const std::vector<uint8_t>& b, size_t at)
{
    return std::string{char(b[at + 3]), char(b[at + 2]), char(b[at + 1]), char(b[at])};
}

}  // namespace

const PiplProperty* PiplRecord::Find(const std::string& key) const
{
    for (const PiplProperty& p : properties)
        if (p.key == key) return &p;
    return nullptr;
}

bool PiplRecord::Code(const std::string& key, std::string& out) const
{
    const PiplProperty* p = Find(key);
    if (!p || p->data.size() != 4) return false;
    out = ReadCode(p->data, 0);
    return true;
}

bool PiplRecord::PascalString(const std::string& key, std::string& out) const
{
    const PiplProperty* p = Find(key);
    if (!p || p->data.empty() || size_t(p->data[0]) + 1 > p->data.size()) return false;
    out.assign(p->data.begin() + 1, p->data.begin() + 1 + p->data[0]);
    return true;
}

bool PiplRecord::CString(const std::string& key, std::string& out) const
{
    const PiplProperty* p = Find(key);
    if (!p || p->data.empty()) return false;
    const void* end = std::memchr(p->data.data(), 0, p->data.size());
    if (!end) return false;
    out.assign(reinterpret_cast<const char*>(p->data.data()), static_cast<const uint8_t*>(end) - p->data.data());
    return true;
}

bool PiplRecord::Long(const std::string& key, uint32_t& out) const
{
    const PiplProperty* p = Find(key);
    if (!p || p->data.size() != 4) return false;
    out = ReadU32(p->data, 0);
    return true;
}

bool PiplRecord::Shorts(const std::string& key, uint16_t& first, uint16_t& second) const
{
    const PiplProperty* p = Find(key);
    if (!p || p->data.size() != 4) return false;
    first = uint16_t(p->data[0] | p->data[1] << 8);
    second = uint16_t(p->data[2] | p->data[3] << 8);
    return true;
}

bool ParsePipl(const std::vector<uint8_t>& bytes, PiplRecord& record, std::string& error)
{
    record = PiplRecord{};
    if (bytes.size() < 10) {
        error = "registration record too short (" + std::to_string(bytes.size()) + " bytes)";
        return false;
    }
    if ((bytes[0] | bytes[1] << 8) != 1) {
        error = "registration record does not start with the resource word 1";
        return false;
    }
    record.version = ReadU32(bytes, 2);
    const uint32_t count = ReadU32(bytes, 6);
    size_t at = 10;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string where = "property " + std::to_string(i + 1) + " of " + std::to_string(count);
        if (bytes.size() - at < 16) {
            error = where + " runs past the end of the record";
            return false;
        }
        PiplProperty p;
        p.vendor = ReadCode(bytes, at);
        p.key = ReadCode(bytes, at + 4);
        p.id = static_cast<int32_t>(ReadU32(bytes, at + 8));
        const uint32_t length = ReadU32(bytes, at + 12);
        at += 16;
        p.paddedSize = (length + 3u) & ~3u;
        if (length > bytes.size() - at || p.paddedSize > bytes.size() - at) {
            error = where + " (\"" + p.key + "\") claims " + std::to_string(length) +
                    " bytes but the record ends first";
            return false;
        }
        p.data.assign(bytes.begin() + at, bytes.begin() + at + length);
        at += p.paddedSize;
        record.properties.push_back(std::move(p));
    }
    if (at != bytes.size()) {
        error = "registration record has " + std::to_string(bytes.size() - at) + " bytes after its last property";
        return false;
    }
    return true;
}

bool ValidateEffectPipl(const PiplRecord& record, const std::string& entryKey, std::string& entryPoint,
                        std::string& error)
{
    std::string kind;
    if (!record.Code("kind", kind)) {
        error = "registration record has no \"kind\" property";
        return false;
    }
    if (kind != "eFKT") {
        error = "registration record is of kind \"" + kind + "\", not an effect (\"eFKT\")";
        return false;
    }
    std::string name, match;
    if (!record.PascalString("name", name) || name.empty()) {
        error = "registration record has no effect name";
        return false;
    }
    if (!record.PascalString("eMNA", match) || match.empty()) {
        error = "registration record has no match name";
        return false;
    }
    if (!record.CString(entryKey, entryPoint) || entryPoint.empty()) {
        error = "registration record names no entry point for this processor (\"" + entryKey + "\")";
        return false;
    }
    return true;
}

}  // namespace pwhost
