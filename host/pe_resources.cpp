#include "host/pe_resources.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace pwhost {
namespace {

// Every read is bounds-checked: the image comes from a file we do not trust.
struct Reader {
    const std::vector<uint8_t>& b;
    bool ok = true;

    uint32_t U32(uint64_t at)
    {
        if (at + 4 > b.size()) return Fail();
        return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
    }
    uint16_t U16(uint64_t at)
    {
        if (at + 2 > b.size()) return uint16_t(Fail());
        return uint16_t(b[at] | b[at + 1] << 8);
    }
    uint32_t Fail()
    {
        ok = false;
        return 0;
    }
};

struct Section {
    uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

bool RvaToOffset(const std::vector<Section>& sections, uint32_t rva, uint64_t& offset)
{
    for (const Section& s : sections) {
        const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
            if (rva - s.virtualAddress >= s.rawSize) return false;  // not backed by file data
            offset = uint64_t(s.rawOffset) + (rva - s.virtualAddress);
            return true;
        }
    }
    return false;
}

bool NameMatches(Reader& r, uint64_t at, const std::string& want)
{
    const uint16_t length = r.U16(at);
    if (!r.ok || length != want.size()) return false;
    for (uint16_t i = 0; i < length; ++i) {
        const uint16_t c = r.U16(at + 2 + 2u * i);
        if (!r.ok || c > 127 || std::toupper(c) != std::toupper(static_cast<unsigned char>(want[i]))) return false;
    }
    return true;
}

// Looks one level down a resource directory; returns the entry's OffsetToData or 0 when absent.
uint32_t FindEntry(Reader& r, uint64_t base, uint32_t dir, const std::string* name, uint32_t id)
{
    const uint16_t named = r.U16(base + dir + 12);
    const uint16_t ids = r.U16(base + dir + 14);
    for (uint32_t i = 0; r.ok && i < uint32_t(named) + ids; ++i) {
        const uint64_t entry = base + dir + 16 + 8ull * i;
        const uint32_t key = r.U32(entry);
        const uint32_t target = r.U32(entry + 4);
        if (!r.ok) break;
        const bool isName = key & 0x80000000u;
        if (name ? (isName && NameMatches(r, base + (key & 0x7FFFFFFFu), *name)) : (!isName && key == id))
            return target;
    }
    return 0;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool ReadPeResource(const std::vector<uint8_t>& image, const std::string& type, uint16_t id, uint16_t language,
                    std::vector<uint8_t>& out, PeImageInfo& info, std::string& error)
{
    Reader r{image};
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') {
        error = "not a Windows image (no MZ header)";
        return false;
    }
    const uint32_t pe = r.U32(0x3C);
    if (r.U32(pe) != 0x00004550u || !r.ok) {
        error = "not a PE image";
        return false;
    }
    info.machine = r.U16(pe + 4);
    const uint16_t sectionCount = r.U16(pe + 6);
    const uint16_t optionalSize = r.U16(pe + 20);
    const uint64_t optional = uint64_t(pe) + 24;
    const uint16_t magic = r.U16(optional);
    if (!r.ok || (magic != 0x10b && magic != 0x20b)) {
        error = "PE image has an unknown optional header";
        return false;
    }
    info.pe32Plus = magic == 0x20b;
    const uint64_t directories = optional + (info.pe32Plus ? 112 : 96);
    const uint32_t directoryCount = r.U32(optional + (info.pe32Plus ? 108 : 92));
    if (!r.ok || directoryCount < 3) {
        error = "PE image has no resource directory";
        return false;
    }
    const uint32_t resourceRva = r.U32(directories + 2 * 8);

    std::vector<Section> sections;
    const uint64_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint64_t s = table + 40ull * i;
        sections.push_back({r.U32(s + 12), r.U32(s + 8), r.U32(s + 16), r.U32(s + 20)});
    }
    uint64_t base = 0;
    if (!r.ok || resourceRva == 0 || !RvaToOffset(sections, resourceRva, base)) {
        error = "PE image has no resources";
        return false;
    }

    const uint32_t typeDir = FindEntry(r, base, 0, &type, 0);
    if (!r.ok || !(typeDir & 0x80000000u)) {
        error = "no resource of type \"" + type + "\"";
        return false;
    }
    const uint32_t idDir = FindEntry(r, base, typeDir & 0x7FFFFFFFu, nullptr, id);
    if (!r.ok || !(idDir & 0x80000000u)) {
        error = "no \"" + type + "\" resource with id " + std::to_string(id);
        return false;
    }
    const uint32_t leaf = FindEntry(r, base, idDir & 0x7FFFFFFFu, nullptr, language);
    if (!r.ok || leaf == 0 || (leaf & 0x80000000u)) {
        error = "no \"" + type + "\" resource " + std::to_string(id) + " in language " + std::to_string(language);
        return false;
    }
    const uint32_t dataRva = r.U32(base + leaf);
    const uint32_t size = r.U32(base + leaf + 4);
    uint64_t offset = 0;
    if (!r.ok || !RvaToOffset(sections, dataRva, offset) || offset + size > image.size()) {
        error = "resource data lies outside the image";
        return false;
    }
    out.assign(image.begin() + offset, image.begin() + offset + size);
    return true;
}

}  // namespace pwhost
