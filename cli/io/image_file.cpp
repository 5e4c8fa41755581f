#include "io/image_file.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#include <OpenImageIO/imageio.h>

namespace pwcli {
namespace {

namespace oiio = OIIO;

std::string Extension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

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

std::unique_ptr<oiio::ImageInput> Open(const std::string& path, std::string& error)
{
    oiio::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = oiio::ImageInput::open(path, &config);
    if (!in) {
        error = "cannot read " + path + ": " + oiio::geterror();
        if (error.back() == ' ') error += "unknown error";
    }
    return in;
}

// Pixel i's channel c (ARGB order) in the frame, from a file sample already in the frame's depth.
template <class T>
void Put(Frame& f, std::size_t i, int c, T v)
{
    std::memcpy(f.pixels.data() + i * BytesPerPixel(f.depth) + c * sizeof(T), &v, sizeof v);
}

}  // namespace

bool ProbeImage(const std::string& path, ImageFileInfo& info, std::string& error)
{
    auto in = Open(path, error);
    if (!in) return false;
    const oiio::ImageSpec& spec = in->spec();
    info.width = spec.width;
    info.height = spec.height;
    info.depth = DepthOfType(spec.format);
    return true;
}

bool ReadImage(const std::string& path, Depth depth, Frame& frame, std::string& error)
{
    auto in = Open(path, error);
    if (!in) return false;
    const oiio::ImageSpec spec = in->spec();
    if (spec.width <= 0 || spec.height <= 0 || spec.nchannels <= 0 || spec.width > 65536 || spec.height > 65536 ||
        spec.depth > 1) {
        error = "cannot read " + path + ": not a plain 2D image of a sensible size";
        return false;
    }
    const int n = spec.nchannels;
    const oiio::TypeDesc type = TypeOf(depth);
    std::vector<unsigned char> buf(static_cast<std::size_t>(spec.width) * spec.height * n * type.size());
    if (!in->read_image(0, 0, 0, n, type, buf.data())) {
        error = "cannot read " + path + ": " + in->geterror();
        return false;
    }
    int alpha = spec.alpha_channel;
    if (alpha < 0 && (n == 2 || n >= 4)) alpha = n == 2 ? 1 : 3;
    int color[3] = {0, 0, 0};
    for (int c = 0, k = 0; c < n && k < 3; ++c)
        if (c != alpha) color[k++] = c;
    if (n - (alpha >= 0 ? 1 : 0) < 3) color[1] = color[2] = color[0];

    Frame out(spec.width, spec.height, depth);
    const std::size_t count = static_cast<std::size_t>(spec.width) * spec.height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * n;
        switch (depth) {
        case Depth::k8: {
            const uint8_t* s = buf.data() + at;
            Put<uint8_t>(out, i, 0, alpha >= 0 ? s[alpha] : 255);
            for (int c = 0; c < 3; ++c) Put<uint8_t>(out, i, c + 1, s[color[c]]);
            break;
        }
        case Depth::k16: {
            const uint16_t* s = reinterpret_cast<const uint16_t*>(buf.data()) + at;
            Put<uint16_t>(out, i, 0, alpha >= 0 ? FileToHost16(s[alpha]) : uint16_t{kWhite16});
            for (int c = 0; c < 3; ++c) Put<uint16_t>(out, i, c + 1, FileToHost16(s[color[c]]));
            break;
        }
        case Depth::kFloat: {
            const float* s = reinterpret_cast<const float*>(buf.data()) + at;
            Put<float>(out, i, 0, alpha >= 0 ? s[alpha] : 1.0f);
            for (int c = 0; c < 3; ++c) Put<float>(out, i, c + 1, s[color[c]]);
            break;
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
    else if (ext == "jpg" || ext == "jpeg") fileDepth = Depth::k8;
    else {
        error = "'" + path + "': image files are written as .png, .tif, .exr or .jpg";
        return false;
    }
    return true;
}

bool WriteImage(const std::string& path, const Frame& frame, std::string& error)
{
    Depth fileDepth;
    if (!FileDepthFor(path, frame.depth, fileDepth, error)) return false;
    const std::string ext = Extension(path);
    const bool withAlpha = ext != "jpg" && ext != "jpeg";
    const int n = withAlpha ? 4 : 3;
    const Frame f = ConvertDepth(frame, fileDepth);
    const oiio::TypeDesc type = TypeOf(fileDepth);
    std::vector<unsigned char> buf(static_cast<std::size_t>(f.width) * f.height * n * type.size());
    const std::size_t count = static_cast<std::size_t>(f.width) * f.height;
    const std::size_t bpp = BytesPerPixel(fileDepth);
    const std::size_t cs = type.size();
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = f.pixels.data() + i * bpp;
        unsigned char* d = buf.data() + i * n * cs;
        // ARGB in the frame, RGBA in the file.
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
    oiio::ImageSpec spec(f.width, f.height, n, type);
    if (withAlpha) spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
    spec.attribute("Software", "Pulsewarper command-line renderer");
    // A fixed stamp instead of the writer's clock: the same frame must give the same file on every run.
    spec.attribute("DateTime", "1970:01:01 00:00:00");
    if (ext == "exr") spec.attribute("compression", "zip");
    auto out = oiio::ImageOutput::create(path);
    if (!out) {
        error = "cannot write " + path + ": " + oiio::geterror();
        return false;
    }
    if (!out->open(path, spec) || !out->write_image(type, buf.data()) || !out->close()) {
        error = "cannot write " + path + ": " + out->geterror();
        return false;
    }
    return true;
}

}  // namespace pwcli
