#include "host/world_ops.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace pwhost {
namespace {

using Info = WorldTable::Info;

const char* FormatName(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32: return "8-bit";
    case PF_PixelFormat_ARGB64: return "16-bit";
    case PF_PixelFormat_ARGB128: return "float";
    default: return "unknown-format";
    }
}

// The host's record of a world the plug-in names, or a violation.
std::optional<Info> Known(HostState& s, const char* op, const PF_EffectWorld* world)
{
    if (!world) {
        s.Violation(std::string(op) + " without a world");
        return std::nullopt;
    }
    auto info = s.worlds.Find(world);
    if (!info) s.Violation(std::string(op) + " on " + s.WorldName(world) + ", which the host did not allocate");
    return info;
}

PF_Rect Whole(const Info& w) { return PF_Rect{0, 0, w.width, w.height}; }

PF_Rect Intersect(const PF_Rect& a, const PF_Rect& b)
{
    return PF_Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const PF_Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

uint8_t* PixelAt(const PF_EffectWorld* world, const Info& info, A_long x, A_long y)
{
    return static_cast<uint8_t*>(world->data) + static_cast<std::ptrdiff_t>(info.rowbytes) * y +
           static_cast<std::ptrdiff_t>(x) * PixelBytes(info.format);
}

// Stores the 4- or 8-byte pattern `value` into count words from dst with the string store, which writes whole cache
// lines without reading them first: a long fill then costs its writes alone. Short runs pay its start-up, so only long
// ones come here. False where the build has no such instruction for the width.
template <class Word>
bool StringStore(void* dst, Word value, size_t count)
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    if constexpr (sizeof(Word) == 4) {
        asm volatile("rep stosl" : "+D"(dst), "+c"(count) : "a"(value) : "memory");
        return true;
    }
#if defined(__x86_64__)
    if constexpr (sizeof(Word) == 8) {
        asm volatile("rep stosq" : "+D"(dst), "+c"(count) : "a"(value) : "memory");
        return true;
    }
#endif
#endif
    (void)dst, (void)value, (void)count;
    return false;
}

constexpr size_t kStringStoreBytes = 4096;  // measured: below this the doubling copies win (Mosaic's blocks)

template <class Pixel>
bool StringFill(void* dst, const Pixel& value, size_t count)
{
    if (sizeof(Pixel) * count < kStringStoreBytes) return false;
    if constexpr (sizeof(Pixel) == 4 || sizeof(Pixel) == 8) {
        using Word = std::conditional_t<sizeof(Pixel) == 4, uint32_t, uint64_t>;
        Word word;
        std::memcpy(&word, &value, sizeof word);
        return StringStore(dst, word, count);
    }
    return false;
}

template <class Pixel>
PF_Err FillPixels(const PF_Rect* rect, const PF_EffectWorld* world, const Info& info, const Pixel& value)
{
    const PF_Rect r = rect ? Intersect(*rect, Whole(info)) : Whole(info);
    if (IsEmpty(r)) return PF_Err_NONE;
    // A colour of one repeated byte (a clear, above all) is a memset; any other colour is written with string stores
    // where the run is long, else once and then copied onto the rest of the row in doubling runs: wide stores either
    // way, not one per pixel. Whole rows of an unpadded world are one run.
    unsigned char bytes[sizeof(Pixel)];
    std::memcpy(bytes, &value, sizeof bytes);
    const bool uniform = std::all_of(bytes, bytes + sizeof bytes, [&](unsigned char b) { return b == bytes[0]; });
    const size_t count = size_t(r.right - r.left);
    const bool whole = r.left == 0 && count == size_t(info.width) && info.rowbytes == A_long(sizeof(Pixel) * count);
    if (!uniform && whole && StringFill(PixelAt(world, info, 0, r.top), value, count * size_t(r.bottom - r.top)))
        return PF_Err_NONE;
    for (A_long y = r.top; y < r.bottom; ++y) {
        auto* row = reinterpret_cast<Pixel*>(PixelAt(world, info, r.left, y));
        if (uniform) {
            std::memset(static_cast<void*>(row), bytes[0], sizeof(Pixel) * count);
            continue;
        }
        if (StringFill(row, value, count)) continue;
        std::memcpy(static_cast<void*>(row), &value, sizeof(Pixel));
        for (size_t done = 1; done < count;) {
            const size_t run = std::min(done, count - done);
            std::memcpy(static_cast<void*>(row + done), row, sizeof(Pixel) * run);
            done += run;
        }
    }
    return PF_Err_NONE;
}

template <class Pixel>
PF_Err FillExact(HostState& s, const char* op, const Pixel* color, const PF_Rect* rect, const PF_EffectWorld* world,
                 PF_PixelFormat format)
{
    const auto info = Known(s, op, world);
    if (!info) return PF_Err_BAD_CALLBACK_PARAM;
    if (!color) {
        s.Violation(std::string(op) + " without a colour");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (info->format != format) {
        s.Violation(std::string(op) + " of a " + FormatName(format) + " colour into the " + FormatName(info->format) +
                    " " + s.WorldName(world));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return FillPixels(rect, world, *info, *color);
}

template <class Pixel>
PF_Err Sample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, Pixel* dst,
              PF_PixelFormat format)
{
    if (!params || !dst) {
        s.Violation(std::string(op) + " without a sampling block or a destination pixel");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const auto info = Known(s, op, params->src);
    if (!info) return PF_Err_BAD_CALLBACK_PARAM;
    if (info->format != format || info->width <= 0 || info->height <= 0) {
        s.Violation(std::string(op) + " is a " + FormatName(format) + " sampler, used on the " +
                    FormatName(info->format) + " " + s.WorldName(params->src));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Floor, also for negative coordinates.
    auto pixel = [](PF_Fixed v, A_long size) {
        const int64_t i = (int64_t{v} - ((v % 65536 != 0 && v < 0) ? 65535 : 0)) / 65536;
        return static_cast<A_long>(std::clamp<int64_t>(i, 0, size - 1));
    };
    std::memcpy(dst, PixelAt(params->src, *info, pixel(x, info->width), pixel(y, info->height)), sizeof *dst);
    return PF_Err_NONE;
}

}  // namespace

std::string RectText(const PF_Rect* rect)
{
    if (!rect) return "null";
    return std::to_string(rect->left) + "," + std::to_string(rect->top) + "," + std::to_string(rect->right) + "," +
           std::to_string(rect->bottom);
}

PF_Err NewPluginWorld(HostState& s, const char* op, A_long width, A_long height, PF_PixelFormat format, bool clear,
                      PF_EffectWorld* world)
{
    if (!world) {
        s.Violation(std::string(op) + " without a place for the world");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!PixelBytes(format) || width < 0 || height < 0) {
        s.Violation(std::string(op) + " of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return s.worlds.New(format, width, height, clear, WorldOwner::Plugin, s.settings.rowPaddingPixels, *world);
}

PF_Err DisposePluginWorld(HostState& s, const char* op, PF_EffectWorld* world)
{
    const auto info = Known(s, op, world);
    if (!info) return PF_Err_BAD_CALLBACK_PARAM;
    if (info->owner != WorldOwner::Plugin) {
        s.Violation(std::string(op) + " of the host's " + s.WorldName(world));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::string damage = s.worlds.CheckGuards(world->data);
    if (!damage.empty()) s.Violation(s.WorldName(world) + " was " + damage);
    s.worlds.Dispose(*world);
    std::memset(world, 0, sizeof *world);
    return PF_Err_NONE;
}

PF_Err CopyWorld(HostState& s, const PF_EffectWorld* src, const PF_EffectWorld* dst, const PF_Rect* src_r,
                 const PF_Rect* dst_r)
{
    const auto from = Known(s, "copy", src);
    const auto to = Known(s, "copy", dst);
    if (!from || !to) return PF_Err_BAD_CALLBACK_PARAM;
    if (from->format != to->format) {
        s.Violation("copy from the " + std::string(FormatName(from->format)) + " " + s.WorldName(src) + " to the " +
                    FormatName(to->format) + " " + s.WorldName(dst));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_Rect sr = src_r ? *src_r : dst_r ? *dst_r : Whole(*from);
    PF_Rect dr = dst_r ? *dst_r : src_r ? *src_r : Whole(*to);
    if (!src_r && !dst_r) {
        sr = dr = Intersect(Whole(*from), Whole(*to));
    } else if (int64_t{sr.right} - sr.left != int64_t{dr.right} - dr.left ||
               int64_t{sr.bottom} - sr.top != int64_t{dr.bottom} - dr.top) {
        s.Violation("copy of " + RectText(&sr) + " to " + RectText(&dr) + ", a rectangle of another size");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Clip in source coordinates, then in destination coordinates, keeping the two in step.
    const int64_t dx = int64_t{dr.left} - sr.left, dy = int64_t{dr.top} - sr.top;
    const int64_t left = std::max<int64_t>({sr.left, 0, -dx}), top = std::max<int64_t>({sr.top, 0, -dy});
    const int64_t right = std::min<int64_t>({sr.right, from->width, to->width - dx});
    const int64_t bottom = std::min<int64_t>({sr.bottom, from->height, to->height - dy});
    if (left >= right || top >= bottom) return PF_Err_NONE;
    const PF_Rect r{static_cast<A_long>(left), static_cast<A_long>(top), static_cast<A_long>(right),
                    static_cast<A_long>(bottom)};
    const std::size_t bytes = static_cast<std::size_t>(r.right - r.left) * PixelBytes(from->format);
    // Row order that is safe when source and destination are one buffer.
    const bool upward = src->data == dst->data && dy > 0;
    for (A_long i = 0; i < r.bottom - r.top; ++i) {
        const A_long y = upward ? r.bottom - 1 - i : r.top + i;
        std::memmove(PixelAt(dst, *to, static_cast<A_long>(r.left + dx), static_cast<A_long>(y + dy)),
                     PixelAt(src, *from, r.left, y), bytes);
    }
    return PF_Err_NONE;
}

PF_Err FillWorld(HostState& s, const char* op, const PF_Pixel* color, const PF_Rect* rect, const PF_EffectWorld* world)
{
    const auto info = Known(s, op, world);
    if (!info) return PF_Err_BAD_CALLBACK_PARAM;
    if (!color) {
        s.Violation(std::string(op) + " without a colour");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    switch (info->format) {
    case PF_PixelFormat_ARGB64: return FillPixels(rect, world, *info, Pixel8To16(*color));
    case PF_PixelFormat_ARGB128: return FillPixels(rect, world, *info, Pixel8ToFloat(*color));
    default: return FillPixels(rect, world, *info, *color);
    }
}

PF_Err FillWorld(HostState& s, const char* op, const PF_Pixel16* color, const PF_Rect* rect,
                 const PF_EffectWorld* world)
{
    return FillExact(s, op, color, rect, world, PF_PixelFormat_ARGB64);
}

PF_Err FillWorld(HostState& s, const char* op, const PF_PixelFloat* color, const PF_Rect* rect,
                 const PF_EffectWorld* world)
{
    return FillExact(s, op, color, rect, world, PF_PixelFormat_ARGB128);
}

PF_Err NnSample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, PF_Pixel* dst)
{
    return Sample(s, op, x, y, params, dst, PF_PixelFormat_ARGB32);
}

PF_Err NnSample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, PF_Pixel16* dst)
{
    return Sample(s, op, x, y, params, dst, PF_PixelFormat_ARGB64);
}

PF_Err NnSample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, PF_PixelFloat* dst)
{
    return Sample(s, op, x, y, params, dst, PF_PixelFormat_ARGB128);
}

}  // namespace pwhost
