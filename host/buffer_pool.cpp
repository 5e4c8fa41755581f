#include "host/buffer_pool.h"

#include <algorithm>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace pwhost {
namespace {

// Frames are megabytes touched afresh: ask for them in 2 MB pages where the system gives those only on request, so
// that a new buffer costs a fault every 2 MB rather than every 4 KB (dear in a virtual machine: a render's first
// frames spent a tenth of the renderer's time there). Only the whole 2 MB stretches inside a buffer can be such pages.
void AskForLargePages(void* data, std::size_t size)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLarge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace

std::vector<uint8_t> BufferPool::Take(std::size_t size)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = std::find_if(spare_.begin(), spare_.end(), [&](const auto& b) { return b.size() == size; });
        if (it != spare_.end()) {
            std::vector<uint8_t> buffer = std::move(*it);
            spare_.erase(it);
            return buffer;
        }
    }
    std::vector<uint8_t> buffer;
    buffer.reserve(size);
    AskForLargePages(buffer.data(), size);
    buffer.resize(size);
    return buffer;
}

void BufferPool::Give(std::vector<uint8_t>&& buffer)
{
    if (buffer.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    // The oldest goes first: sizes in use now are the ones worth keeping.
    if (spare_.size() >= keep_) spare_.erase(spare_.begin());
    spare_.push_back(std::move(buffer));
}

std::size_t BufferPool::Kept() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return spare_.size();
}

}  // namespace pwhost
