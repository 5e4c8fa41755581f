#include "report/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/bitmap_font.h"
#include "cli_error.h"
#include "io/frame_writer.h"
#include "io/safe_file.h"
#include "io/image_file.h"

namespace pwcli {
namespace {

constexpr int kGap = 8;
constexpr uint8_t kBackground = 24;

void Fill(Frame& f, int x0, int y0, int w, int h, uint8_t v)
{
    for (int y = std::max(0, y0); y < std::min(f.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(f.width, x0 + w); ++x) {
            unsigned char* p = f.Row(y) + static_cast<std::size_t>(x) * 4;
            p[0] = 255;
            p[1] = p[2] = p[3] = v;
        }
}

// Thumbnail over a checkerboard, straight alpha.
void Place(Frame& sheet, const Frame& thumb, int x0, int y0)
{
    for (int y = 0; y < thumb.height; ++y)
        for (int x = 0; x < thumb.width; ++x) {
            const unsigned char* s = thumb.Row(y) + static_cast<std::size_t>(x) * 4;
            const int checker = ((x / 8 + y / 8) % 2) ? 96 : 64;
            unsigned char* d = sheet.Row(y0 + y) + static_cast<std::size_t>(x0 + x) * 4;
            d[0] = 255;
            for (int c = 1; c < 4; ++c) d[c] = static_cast<unsigned char>((s[c] * s[0] + checker * (255 - s[0]) + 127) / 255);
        }
}

}  // namespace

std::vector<int> SheetFrames(const FrameRange& range, int count)
{
    std::vector<int> frames;
    const int n = range.Count();
    if (n <= 0 || count <= 0) return frames;
    if (n <= count || count == 1) {
        for (int f = range.first; f <= range.last && static_cast<int>(frames.size()) < std::max(count, 1); ++f)
            frames.push_back(f);
        return frames;
    }
    for (int i = 0; i < count; ++i) {
        const int f = range.first + static_cast<int>((static_cast<long long>(i) * (n - 1) + (count - 1) / 2) / (count - 1));
        if (frames.empty() || frames.back() != f) frames.push_back(f);
    }
    return frames;
}

ContactSheet::ContactSheet(const SheetSpec& spec, std::vector<int> frames) : spec_(spec), frames_(std::move(frames)) {}

bool ContactSheet::Wants(int frame) const { return std::binary_search(frames_.begin(), frames_.end(), frame); }

bool ContactSheet::Has(int frame) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cells_.count(frame) != 0;
}

void ContactSheet::Add(int frame, const Frame& image, const std::string& label)
{
    if (!Wants(frame) || image.Empty()) return;
    const int w = std::min(spec_.width, std::max(image.width, 16));
    const int h = std::max(1, static_cast<int>(std::lround(static_cast<double>(w) * image.height / image.width)));
    Cell cell{ResizeTo8(image, w, h), label};
    std::lock_guard<std::mutex> lock(mutex_);
    cells_[frame] = std::move(cell);
}

Frame ContactSheet::Compose() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int cellW = 16, cellH = 16;
    for (const auto& [frame, cell] : cells_) {
        cellW = std::max(cellW, cell.thumb.width);
        cellH = std::max(cellH, cell.thumb.height);
    }
    const int scale = cellW >= 200 ? 2 : 1;
    const int labelH = kGlyphHeight * scale + 6;
    const int columns = std::max(1, std::min(spec_.columns, static_cast<int>(frames_.size())));
    const int rows = (static_cast<int>(frames_.size()) + columns - 1) / columns;
    Frame sheet(kGap + columns * (cellW + kGap), kGap + std::max(rows, 1) * (cellH + labelH + kGap), Depth::k8);
    Fill(sheet, 0, 0, sheet.width, sheet.height, kBackground);
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        const int x = kGap + static_cast<int>(i % columns) * (cellW + kGap);
        const int y = kGap + static_cast<int>(i / columns) * (cellH + labelH + kGap);
        const auto it = cells_.find(frames_[i]);
        if (it == cells_.end()) {
            Fill(sheet, x, y, cellW, cellH, 40);
            continue;
        }
        Place(sheet, it->second.thumb, x, y);
        const std::string& label = it->second.label;
        DrawText(sheet, x, y + it->second.thumb.height + 4, label, scale, 230, 230, 230);
    }
    return sheet;
}

void ContactSheet::Write() const
{
    const Frame sheet = Compose();
    MakeParentFolder(spec_.path);
    std::vector<unsigned char> bytes;
    std::string error;
    if (!EncodeImage(spec_.path, sheet, ImageWriteOptions{}, bytes, error))
        throw CliError(kExitOutput, "contact sheet: " + error);
    WriteFileWhole(spec_.path, bytes);
}

}  // namespace pwcli
