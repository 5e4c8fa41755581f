// Image buffers ("worlds") the host allocates, in the three pixel formats.
//
// Guarded (the host checking a plug-in): every world's rows are `rowbytes` apart, more than width × pixel size
// unless asked otherwise; the unused end of each row and a guard zone before and after the pixels hold
// kGuardByte, so a write outside the pixels is found when the world is checked or disposed of, and a world not
// asked to be cleared is filled with kUnclearedByte. Unguarded (the host in production, as a real host lends its
// memory): the pixels alone, uncleared unless asked, from a pool of buffers that outlives each frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ae_effect.h"
#include "host/buffer_pool.h"

namespace pwhost {

constexpr unsigned char kGuardByte = 0xFD;
// Content of a world allocated without clearing: a real host hands over whatever the memory held.
constexpr unsigned char kUnclearedByte = 0xC3;

// Bytes per pixel of a format; 0 for a format that is not one of the three.
A_long PixelBytes(PF_PixelFormat format);
// 8, 16 or 32 bits per channel (the smart-render bitdepth); 0 for an unknown format.
A_short BitDepth(PF_PixelFormat format);

// The host's conversion of an 8-bit channel to the other depths: v × 32768 / 255 rounded to nearest, and v / 255.
A_u_short Channel8To16(A_u_char v);
float Channel8ToFloat(A_u_char v);
PF_Pixel16 Pixel8To16(const PF_Pixel& p);
PF_PixelFloat Pixel8ToFloat(const PF_Pixel& p);

// Pixels without padding, row after row; what tests and the command-line tool compare and save.
struct Image {
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
    A_long width = 0;
    A_long height = 0;
    std::vector<uint8_t> bytes;

    bool Empty() const { return bytes.empty(); }
    template <class Pixel>
    const Pixel& At(A_long x, A_long y) const
    {
        return reinterpret_cast<const Pixel*>(bytes.data())[static_cast<std::size_t>(y) * width + x];
    }
};

// The pixels of a world copied out of its padded rows (format as the caller knows it).
Image CopyOut(const PF_EffectWorld& world, PF_PixelFormat format);

enum class WorldOwner { Host, Plugin };

class WorldTable {
public:
    WorldTable() = default;
    WorldTable(const WorldTable&) = delete;
    WorldTable& operator=(const WorldTable&) = delete;

    // Allocates width × height pixels of `format`, rows `rowbytes` apart (0: width plus `paddingPixels`), cleared
    // to zero or filled with kUnclearedByte, and describes it in `world`. PF_Err_OUT_OF_MEMORY for a size that
    // cannot be had, PF_Err_BAD_CALLBACK_PARAM for a format or size that makes no sense.
    PF_Err New(PF_PixelFormat format, A_long width, A_long height, bool clear, WorldOwner owner,
               A_long paddingPixels, PF_EffectWorld& world, A_long rowbytes = 0);
    // A world over pixels someone else holds (a frame source's): recorded, never freed here.
    PF_Err Borrow(PF_PixelFormat format, A_long width, A_long height, const void* pixels, A_long rowbytes,
                  WorldOwner owner, PF_EffectWorld& world);
    bool Borrowed(const void* data) const;
    // Frees the world whose pixels `world` points at and clears the record; false for an unknown world.
    bool Dispose(const PF_EffectWorld& world);
    // The pixels of an unguarded world with packed rows, handed over without a copy (the world is gone); empty
    // for any other world.
    std::vector<uint8_t> TakePixels(const PF_EffectWorld& world);

    void SetGuarded(bool guarded) { guarded_ = guarded; }
    bool Guarded() const { return guarded_; }
    // Where buffers come from and go back to; shared with whoever hands pixels round (footage, writers).
    void SetPool(std::shared_ptr<BufferPool> pool) { pool_ = std::move(pool); }
    const std::shared_ptr<BufferPool>& Pool() const { return pool_; }

    struct Info {
        int serial;
        PF_PixelFormat format;
        WorldOwner owner;
        A_long width, height, rowbytes;
    };
    // The world whose first pixel `world->data` is; nothing for a world the host did not allocate.
    std::optional<Info> Find(const PF_EffectWorld* world) const;
    std::optional<Info> FindData(const void* data) const;

    // Guard and padding bytes that no longer hold kGuardByte, as a description; empty when intact.
    std::string CheckGuards(const void* data) const;

    std::size_t LiveCount() const { return worlds_.size(); }
    std::size_t LiveCount(WorldOwner owner) const;
    // First pixels of the live worlds of that owner, oldest first.
    std::vector<void*> Live(WorldOwner owner) const;
    int Allocated() const { return nextSerial_ - 1; }

    // Largest world in bytes; larger requests fail as a host out of memory would.
    void SetSizeLimit(uint64_t limit) { limit_ = limit; }
    // What a checked world not asked to be cleared holds: a plug-in's output rendered over two different fills
    // must come out the same, or it left pixels unwritten (or read what it never wrote).
    void SetUnclearedByte(uint8_t byte) { uncleared_ = byte; }

private:
    static void Describe(const Info& info, void* pixels, PF_EffectWorld& world);

    struct Record {
        Info info;
        std::vector<uint8_t> buffer;
        std::size_t size;    // bytes of pixels: rowbytes × height (at least one row's worth when rows overlap)
        std::size_t guard;  // guard bytes before and after
        uint8_t* borrowed = nullptr;  // pixels held elsewhere
        uint8_t* Pixels() { return borrowed ? borrowed : buffer.data() + guard; }
        const uint8_t* Pixels() const { return borrowed ? borrowed : buffer.data() + guard; }
    };
    std::vector<Record> worlds_;
    // Buffers of disposed worlds, kept for the next world of the same size: every frame allocates the same few
    // worlds, and fresh memory costs a page fault per page.
    std::shared_ptr<BufferPool> pool_ = std::make_shared<BufferPool>();
    bool guarded_ = true;
    int nextSerial_ = 1;
    uint64_t limit_ = uint64_t{1} << 31;
    uint8_t uncleared_ = kUnclearedByte;
};

}  // namespace pwhost
