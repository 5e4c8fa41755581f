#include "io/image_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include "cli_error.h"
#include "io/path_names.h"
#include "io/safe_file.h"

namespace pwcli {
namespace {

namespace oiio = OIIO;

Depth DepthOfType(const oiio::TypeDesc& t)
{
    if (t.basetype == oiio::TypeDesc::HALF || t.basetype == oiio::TypeDesc::FLOAT ||
        t.basetype == oiio::TypeDesc::DOUBLE)
        return Depth::kFloat;
    if (t.basetype == oiio::TypeDesc::UINT8 || t.basetype == oiio::TypeDesc::INT8) return Depth::k8;
    return Depth::k16;
}

oiio::TypeDesc TypeOf(Depth d)
{
    switch (d) {
    case Depth::k8: return oiio::TypeDesc::UINT8;
    case Depth::k16: return oiio::TypeDesc::UINT16;
    case Depth::kFloat: return oiio::TypeDesc::FLOAT;
    }
    return oiio::TypeDesc::UINT8;
}

std::string OiioError(const std::string& text)
{
    return text.empty() || text == " " ? "unknown error" : text;
}

std::unique_ptr<oiio::ImageInput> Open(const std::string& path, std::string& error)
{
    oiio::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = oiio::ImageInput::open(path, &config);
    if (!in) error = "cannot read " + path + ": " + OiioError(oiio::geterror());
    return in;
}

PixelRect DataOf(const oiio::ImageSpec& spec) { return PixelRect{spec.x, spec.y, spec.width, spec.height}; }

PixelRect DisplayOf(const oiio::ImageSpec& spec)
{
    if (spec.full_width <= 0 || spec.full_height <= 0) return DataOf(spec);
    return PixelRect{spec.full_x, spec.full_y, spec.full_width, spec.full_height};
}

bool SizeAllowed(const std::string& path, const oiio::ImageSpec& spec, std::string& error)
{
    const PixelRect display = DisplayOf(spec);
    if (spec.width <= 0 || spec.height <= 0 || spec.nchannels <= 0 || spec.depth > 1) {
        error = "cannot read " + path + ": not a plain 2D image";
        return false;
    }
    if (std::max({spec.width, spec.height, display.width, display.height}) > kMaxFrameSide) {
        error = path + " is " + std::to_string(std::max(spec.width, display.width)) + "x" +
                std::to_string(std::max(spec.height, display.height)) +
                " pixels; the renderer takes frames of at most " + std::to_string(kMaxFrameSide) + " pixels a side";
        return false;
    }
    return true;
}

// Pixel i's channel c (ARGB order) in the frame, from a file sample already in the frame's depth.
template <class T>
void Put(unsigned char* pixel, int c, T v)
{
    std::memcpy(pixel + c * sizeof(T), &v, sizeof v);
}

// The part of the frame a file gets, in the frame's coordinates (it may reach outside the frame, which is then
// transparent), and the windows to write.
struct Region {
    PixelRect area;          // in frame coordinates
    PixelRect data, display;  // in display coordinates
};

// The smallest rectangle of the frame holding a pixel that is not all zero bits.
PixelRect Occupied(const Frame& f)
{
    const std::size_t bpp = BytesPerPixel(f.depth);
    int x0 = f.width, y0 = f.height, x1 = -1, y1 = -1;
    for (int y = 0; y < f.height; ++y) {
        const unsigned char* row = f.Row(y);
        for (int x = 0; x < f.width; ++x) {
            const unsigned char* p = row + static_cast<std::size_t>(x) * bpp;
            if (std::all_of(p, p + bpp, [](unsigned char b) { return b == 0; })) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    if (x1 < 0) return PixelRect{};
    return PixelRect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

Region RegionOf(const Frame& f, const ImageWriteOptions& o, bool windows)
{
    Region r;
    if (o.display.Empty()) {
        r.area = r.data = r.display = PixelRect{0, 0, f.width, f.height};
        return r;
    }
    r.display = o.display;
    if (!windows) {
        r.area = PixelRect{o.display.x - o.canvas.x, o.display.y - o.canvas.y, o.display.width, o.display.height};
        r.data = r.display;
        return r;
    }
    r.area = Occupied(f);
    // A data window cannot be empty: an empty picture keeps one transparent pixel at the display's corner.
    if (r.area.Empty()) r.area = PixelRect{o.display.x - o.canvas.x, o.display.y - o.canvas.y, 1, 1};
    r.data = PixelRect{r.area.x + o.canvas.x, r.area.y + o.canvas.y, r.area.width, r.area.height};
    return r;
}

}  // namespace

PixelRect Union(const PixelRect& a, const PixelRect& b)
{
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
    return PixelRect{x0, y0, x1 - x0, y1 - y0};
}

bool ProbeImage(const std::string& path, ImageFileInfo& info, std::string& error)
{
    auto in = Open(path, error);
    if (!in) return false;
    const oiio::ImageSpec& spec = in->spec();
    if (!SizeAllowed(path, spec, error)) return false;
    info.depth = DepthOfType(spec.format);
    info.data = DataOf(spec);
    info.display = DisplayOf(spec);
    return true;
}

bool ReadImage(const std::string& path, Depth depth, Frame& frame, std::string& error, const PixelRect* canvas)
{
    auto in = Open(path, error);
    if (!in) return false;
    const oiio::ImageSpec spec = in->spec();
    if (!SizeAllowed(path, spec, error)) return false;
    const int n = spec.nchannels;
    const oiio::TypeDesc type = TypeOf(depth);
    std::vector<unsigned char> buf(static_cast<std::size_t>(spec.width) * spec.height * n * type.size());
    if (!in->read_image(0, 0, 0, n, type, buf.data())) {
        error = "cannot read " + path + ": " + OiioError(in->geterror());
        return false;
    }
    int alpha = spec.alpha_channel;
    if (alpha < 0 && (n == 2 || n >= 4)) alpha = n == 2 ? 1 : 3;
    int color[3] = {0, 0, 0};
    for (int c = 0, k = 0; c < n && k < 3; ++c)
        if (c != alpha) color[k++] = c;
    if (n - (alpha >= 0 ? 1 : 0) < 3) color[1] = color[2] = color[0];

    const PixelRect into = canvas ? *canvas : DataOf(spec);
    Frame out(into.width, into.height, depth);
    const int dx = spec.x - into.x, dy = spec.y - into.y;
    const std::size_t bpp = BytesPerPixel(depth);
    for (int y = 0; y < spec.height; ++y) {
        const int ty = y + dy;
        if (ty < 0 || ty >= out.height) continue;
        for (int x = 0; x < spec.width; ++x) {
            const int tx = x + dx;
            if (tx < 0 || tx >= out.width) continue;
            const std::size_t at = (static_cast<std::size_t>(y) * spec.width + x) * n;
            unsigned char* p = out.Row(ty) + static_cast<std::size_t>(tx) * bpp;
            switch (depth) {
            case Depth::k8: {
                const uint8_t* s = buf.data() + at;
                Put<uint8_t>(p, 0, alpha >= 0 ? s[alpha] : 255);
                for (int c = 0; c < 3; ++c) Put<uint8_t>(p, c + 1, s[color[c]]);
                break;
            }
            case Depth::k16: {
                const uint16_t* s = reinterpret_cast<const uint16_t*>(buf.data()) + at;
                Put<uint16_t>(p, 0, alpha >= 0 ? FileToHost16(s[alpha]) : uint16_t{kWhite16});
                for (int c = 0; c < 3; ++c) Put<uint16_t>(p, c + 1, FileToHost16(s[color[c]]));
                break;
            }
            case Depth::kFloat: {
                const float* s = reinterpret_cast<const float*>(buf.data()) + at;
                Put<float>(p, 0, alpha >= 0 ? s[alpha] : 1.0f);
                for (int c = 0; c < 3; ++c) Put<float>(p, c + 1, s[color[c]]);
                break;
            }
            }
        }
    }
    frame = std::move(out);
    return true;
}

bool FileDepthFor(const std::string& path, Depth depth, Depth& fileDepth, std::string& error)
{
    const std::string ext = Extension(path);
    if (ext == "png") fileDepth = depth == Depth::k8 ? Depth::k8 : Depth::k16;
    else if (ext == "tif" || ext == "tiff") fileDepth = depth;
    else if (ext == "exr") fileDepth = Depth::kFloat;
    else if (ext == "dpx") fileDepth = Depth::k16;
    else if (ext == "jpg" || ext == "jpeg") fileDepth = Depth::k8;
    else {
        error = "'" + path + "': image files are written as .png, .tif, .exr, .dpx or .jpg";
        return false;
    }
    return true;
}

const std::vector<std::string>& ExrCompressions()
{
    static const std::vector<std::string> names = {"zip",  "none", "rle",  "zips", "piz",
                                                   "pxr24", "b44", "b44a", "dwaa", "dwab"};
    return names;
}

bool IsExrCompression(const std::string& name)
{
    const auto& all = ExrCompressions();
    return std::find(all.begin(), all.end(), name) != all.end();
}

std::string ExrCompressionList()
{
    std::string out;
    for (const std::string& n : ExrCompressions()) out += (out.empty() ? "" : ", ") + n;
    return out;
}

bool EncodeImage(const std::string& path, const Frame& frame, const ImageWriteOptions& options,
                 std::vector<unsigned char>& bytes, std::string& error)
{
    Depth fileDepth;
    if (!FileDepthFor(path, frame.depth, fileDepth, error)) return false;
    const std::string ext = Extension(path);
    const bool exr = ext == "exr", dpx = ext == "dpx";
    const bool withAlpha = ext != "jpg" && ext != "jpeg";
    const int n = withAlpha ? 4 : 3;
    const Frame f = ConvertDepth(frame, fileDepth);
    const Region region = RegionOf(f, options, exr);
    const oiio::TypeDesc type = TypeOf(fileDepth);
    const std::size_t cs = type.size();
    const std::size_t bpp = BytesPerPixel(fileDepth);
    // ARGB in the frame, RGBA in the file; outside the frame, transparent.
    std::vector<unsigned char> buf(static_cast<std::size_t>(region.area.width) * region.area.height * n * cs, 0);
    for (int y = 0; y < region.area.height; ++y) {
        const int sy = region.area.y + y;
        if (sy < 0 || sy >= f.height) continue;
        for (int x = 0; x < region.area.width; ++x) {
            const int sx = region.area.x + x;
            if (sx < 0 || sx >= f.width) continue;
            const unsigned char* p = f.Row(sy) + static_cast<std::size_t>(sx) * bpp;
            unsigned char* d = buf.data() + (static_cast<std::size_t>(y) * region.area.width + x) * n * cs;
            for (int c = 0; c < n; ++c) {
                const int from = c < 3 ? c + 1 : 0;
                if (fileDepth == Depth::k16) {
                    uint16_t v;
                    std::memcpy(&v, p + from * cs, cs);
                    v = HostToFile16(v);
                    std::memcpy(d + c * cs, &v, cs);
                } else {
                    std::memcpy(d + c * cs, p + from * cs, cs);
                }
            }
        }
    }
    const oiio::TypeDesc fileType = exr && options.exrType == ExrType::Half ? oiio::TypeDesc::HALF : type;
    oiio::ImageSpec spec(region.area.width, region.area.height, n, fileType);
    spec.x = region.data.x;
    spec.y = region.data.y;
    spec.full_x = region.display.x;
    spec.full_y = region.display.y;
    spec.full_width = region.display.width;
    spec.full_height = region.display.height;
    if (withAlpha) spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
    spec.attribute("Software", "Pulsewarper command-line renderer");
    // A fixed stamp instead of the writer's clock: the same frame must give the same file on every run.
    spec.attribute("DateTime", "1970:01:01 00:00:00");
    if (exr) spec.attribute("compression", options.exrCompression);
    if (dpx) spec.attribute("oiio:BitsPerSample", 10);
    auto out = oiio::ImageOutput::create(path);
    if (!out) {
        error = "cannot write " + path + ": " + OiioError(oiio::geterror());
        return false;
    }
    bytes.clear();
    oiio::Filesystem::IOVecOutput memory(bytes);
    out->set_ioproxy(&memory);
    if (!out->open(path, spec) || !out->write_image(type, buf.data()) || !out->close()) {
        error = "cannot write " + path + ": " + OiioError(out->geterror());
        return false;
    }
    return true;
}

bool WriteImage(const std::string& path, const Frame& frame, std::string& error, const ImageWriteOptions& options)
{
    std::vector<unsigned char> bytes;
    if (!EncodeImage(path, frame, options, bytes, error)) return false;
    try {
        WriteFileWhole(path, bytes);
    } catch (const CliError& e) {
        error = e.what();
        return false;
    }
    return true;
}

}  // namespace pwcli
