// Pixel memory handed round between the host's worlds, the footage and the writers: a buffer given back is taken
// again by the next world of its size, so that a long render does not fault in fresh pages on every frame.
// Thread-safe; it keeps a bounded number of buffers, so memory stays bounded whatever the caller does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace pwhost {

class BufferPool {
public:
    explicit BufferPool(std::size_t keep = 8) : keep_(keep) {}
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;

    // `size` bytes; a reused buffer holds whatever it held, a new one zeros. Throws std::bad_alloc.
    std::vector<uint8_t> Take(std::size_t size);
    void Give(std::vector<uint8_t>&& buffer);
    std::size_t Kept() const;

private:
    std::size_t keep_;
    mutable std::mutex mutex_;
    std::vector<std::vector<uint8_t>> spare_;
};

}  // namespace pwhost
