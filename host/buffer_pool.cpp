#include "host/buffer_pool.h"

#include <algorithm>

namespace pwhost {

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
    return std::vector<uint8_t>(size);
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
