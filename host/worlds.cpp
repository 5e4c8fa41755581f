#include "host/worlds.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pwhost {
namespace {

constexpr std::size_t kGuardSize = 64;

}  // namespace

void WorldTable::Describe(const Info& info, void* pixels, PF_EffectWorld& world)
{
    std::memset(&world, 0, sizeof world);
    world.world_flags = PF_WorldFlag_WRITEABLE | (info.format == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0);
    world.data = pixels;
    world.rowbytes = info.rowbytes;
    world.width = info.width;
    world.height = info.height;
    world.extent_hint = PF_LRect{0, 0, info.width, info.height};
    world.pix_aspect_ratio = PF_RationalScale{1, 1};
}

A_long PixelBytes(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32: return 4;
    case PF_PixelFormat_ARGB64: return 8;
    case PF_PixelFormat_ARGB128: return 16;
    default: return 0;
    }
}

A_short BitDepth(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32: return 8;
    case PF_PixelFormat_ARGB64: return 16;
    case PF_PixelFormat_ARGB128: return 32;
    default: return 0;
    }
}

A_u_short Channel8To16(A_u_char v) { return static_cast<A_u_short>((uint32_t{v} * 32768u + 127u) / 255u); }

float Channel8ToFloat(A_u_char v) { return static_cast<float>(v) / 255.0f; }

PF_Pixel16 Pixel8To16(const PF_Pixel& p)
{
    return PF_Pixel16{Channel8To16(p.alpha), Channel8To16(p.red), Channel8To16(p.green), Channel8To16(p.blue)};
}

PF_PixelFloat Pixel8ToFloat(const PF_Pixel& p)
{
    return PF_PixelFloat{Channel8ToFloat(p.alpha), Channel8ToFloat(p.red), Channel8ToFloat(p.green),
                         Channel8ToFloat(p.blue)};
}

Image CopyOut(const PF_EffectWorld& world, PF_PixelFormat format)
{
    Image image;
    image.format = format;
    const A_long pixel = PixelBytes(format);
    if (!pixel || !world.data || world.width <= 0 || world.height <= 0) return image;
    image.width = world.width;
    image.height = world.height;
    const std::size_t row = static_cast<std::size_t>(world.width) * pixel;
    image.bytes.resize(row * world.height);
    const auto* src = static_cast<const uint8_t*>(world.data);
    for (A_long y = 0; y < world.height; ++y)
        std::memcpy(image.bytes.data() + row * y, src + static_cast<std::ptrdiff_t>(world.rowbytes) * y, row);
    return image;
}

PF_Err WorldTable::New(PF_PixelFormat format, A_long width, A_long height, bool clear, WorldOwner owner,
                       A_long paddingPixels, PF_EffectWorld& world, A_long rowbytes)
{
    const A_long pixel = PixelBytes(format);
    if (!pixel || width < 0 || height < 0 || paddingPixels < 0 || rowbytes < 0) return PF_Err_BAD_CALLBACK_PARAM;
    const uint64_t row = uint64_t(width) * pixel;
    const uint64_t stride = rowbytes ? uint64_t(rowbytes) : row + uint64_t(paddingPixels) * pixel;
    const uint64_t size = height ? stride * (height - 1) + std::max(stride, row) : 0;
    if (size > limit_ || stride > 0x7FFFFFFF) return PF_Err_OUT_OF_MEMORY;

    Record record;
    record.size = static_cast<std::size_t>(size);
    record.guard = guarded_ ? kGuardSize : 0;
    // Never empty: a world's first pixel must be an address the table can find again.
    const std::size_t total = std::max<std::size_t>(record.size + 2 * record.guard, 1);
    try {
        record.buffer = pool_->Take(total);
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if (guarded_) std::memset(record.buffer.data(), kGuardByte, record.buffer.size());
    uint8_t* pixels = record.Pixels();
    if (guarded_ || clear)
        for (A_long y = 0; y < height; ++y)
            std::memset(pixels + stride * y, clear ? 0 : uncleared_, static_cast<std::size_t>(row));
    record.info = Info{nextSerial_++, format, owner, width, height, static_cast<A_long>(stride)};

    Describe(record.info, pixels, world);
    worlds_.push_back(std::move(record));
    return PF_Err_NONE;
}

PF_Err WorldTable::Borrow(PF_PixelFormat format, A_long width, A_long height, const void* pixels, A_long rowbytes,
                          WorldOwner owner, PF_EffectWorld& world)
{
    const A_long pixel = PixelBytes(format);
    if (!pixel || !pixels || width < 0 || height < 0 || rowbytes < width * pixel) return PF_Err_BAD_CALLBACK_PARAM;
    Record record;
    record.size = static_cast<std::size_t>(rowbytes) * static_cast<std::size_t>(height);
    record.guard = 0;
    record.borrowed = static_cast<uint8_t*>(const_cast<void*>(pixels));
    record.info = Info{nextSerial_++, format, owner, width, height, rowbytes};
    Describe(record.info, record.borrowed, world);
    worlds_.push_back(std::move(record));
    return PF_Err_NONE;
}

bool WorldTable::Borrowed(const void* data) const
{
    for (const Record& r : worlds_)
        if (r.Pixels() == data) return r.borrowed != nullptr;
    return false;
}

bool WorldTable::Dispose(const PF_EffectWorld& world)
{
    const auto it = std::find_if(worlds_.begin(), worlds_.end(),
                                 [&](const Record& r) { return world.data && r.Pixels() == world.data; });
    if (it == worlds_.end()) return false;
    if (!it->borrowed) pool_->Give(std::move(it->buffer));
    worlds_.erase(it);
    return true;
}

std::vector<uint8_t> WorldTable::TakePixels(const PF_EffectWorld& world)
{
    const auto it = std::find_if(worlds_.begin(), worlds_.end(),
                                 [&](const Record& r) { return world.data && r.Pixels() == world.data; });
    if (it == worlds_.end()) return {};
    const std::size_t row = static_cast<std::size_t>(it->info.width) * PixelBytes(it->info.format);
    if (it->guard || it->borrowed || static_cast<std::size_t>(it->info.rowbytes) != row ||
        it->buffer.size() != row * static_cast<std::size_t>(it->info.height))
        return {};
    std::vector<uint8_t> pixels = std::move(it->buffer);
    worlds_.erase(it);
    return pixels;
}

std::optional<WorldTable::Info> WorldTable::FindData(const void* data) const
{
    if (!data) return std::nullopt;
    for (const Record& r : worlds_)
        if (r.Pixels() == data) return r.info;
    return std::nullopt;
}

std::optional<WorldTable::Info> WorldTable::Find(const PF_EffectWorld* world) const
{
    return world ? FindData(world->data) : std::nullopt;
}

std::string WorldTable::CheckGuards(const void* data) const
{
    for (const Record& r : worlds_) {
        if (r.Pixels() != data) continue;
        auto intact = [](const uint8_t* p, std::size_t n) {
            return std::all_of(p, p + n, [](uint8_t b) { return b == kGuardByte; });
        };
        if (!r.guard) return {};
        const uint8_t* base = r.buffer.data();
        if (!intact(base, r.guard)) return "written before its first pixel";
        if (!intact(base + r.guard + r.size, r.guard)) return "written past its last row";
        const std::size_t row = static_cast<std::size_t>(r.info.width) * PixelBytes(r.info.format);
        if (static_cast<std::size_t>(r.info.rowbytes) > row) {
            for (A_long y = 0; y < r.info.height; ++y) {
                const uint8_t* pad = r.Pixels() + static_cast<std::size_t>(r.info.rowbytes) * y + row;
                if (!intact(pad, r.info.rowbytes - row)) return "written in the padding at the end of row " + std::to_string(y);
            }
        }
        return {};
    }
    return {};
}

std::size_t WorldTable::LiveCount(WorldOwner owner) const
{
    return static_cast<std::size_t>(
        std::count_if(worlds_.begin(), worlds_.end(), [&](const Record& r) { return r.info.owner == owner; }));
}

std::vector<void*> WorldTable::Live(WorldOwner owner) const
{
    std::vector<void*> live;
    for (const Record& r : worlds_)
        if (r.info.owner == owner) live.push_back(const_cast<uint8_t*>(r.Pixels()));
    return live;
}

}  // namespace pwhost
