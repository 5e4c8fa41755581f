#include "host/handles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pwhost {
namespace {

// malloc(0) may return null; every block gets at least one byte so that a handle always has an address.
void* AllocateBlock(uint64_t size) { return std::malloc(size ? static_cast<std::size_t>(size) : 1); }

}  // namespace

HandleTable::~HandleTable()
{
    for (auto& [handle, record] : records_) {
        std::free(*handle);
        delete reinterpret_cast<void**>(handle);
    }
}

PF_Handle HandleTable::New(uint64_t size)
{
    if (size > limit_ || size > SIZE_MAX) return nullptr;
    void* block = AllocateBlock(size);
    if (!block) return nullptr;
    std::memset(block, fill_, static_cast<std::size_t>(size));
    auto* master = new (std::nothrow) void*(block);
    if (!master) {
        std::free(block);
        return nullptr;
    }
    records_[master] = Record{size, 0, nextSerial_++};
    return master;
}

void* HandleTable::Lock(PF_Handle h)
{
    const auto it = records_.find(h);
    if (it == records_.end()) return nullptr;
    ++it->second.locks;
    return *h;
}

bool HandleTable::Unlock(PF_Handle h)
{
    const auto it = records_.find(h);
    if (it == records_.end()) return false;
    if (it->second.locks > 0) --it->second.locks;
    return true;
}

bool HandleTable::Dispose(PF_Handle h)
{
    const auto it = records_.find(h);
    if (it == records_.end()) return false;
    std::free(*h);
    delete reinterpret_cast<void**>(h);
    records_.erase(it);
    return true;
}

std::optional<uint64_t> HandleTable::Size(PF_Handle h) const
{
    const auto it = records_.find(h);
    if (it == records_.end()) return std::nullopt;
    return it->second.size;
}

PF_Err HandleTable::Resize(uint64_t new_size, PF_Handle h)
{
    const auto it = records_.find(h);
    if (it == records_.end()) return PF_Err_BAD_CALLBACK_PARAM;
    if (new_size > limit_ || new_size > SIZE_MAX) return PF_Err_OUT_OF_MEMORY;
    void* block = std::realloc(*h, new_size ? static_cast<std::size_t>(new_size) : 1);
    if (!block) return PF_Err_OUT_OF_MEMORY;
    if (new_size > it->second.size)
        std::memset(static_cast<char*>(block) + it->second.size, fill_,
                    static_cast<std::size_t>(new_size - it->second.size));
    *h = block;
    it->second.size = new_size;
    return PF_Err_NONE;
}

std::vector<PF_Handle> HandleTable::Live() const
{
    std::vector<PF_Handle> live;
    for (const auto& entry : records_) live.push_back(entry.first);
    std::sort(live.begin(), live.end(), [this](PF_Handle a, PF_Handle b) { return Serial(a) < Serial(b); });
    return live;
}

int HandleTable::LockCount(PF_Handle h) const
{
    const auto it = records_.find(h);
    return it == records_.end() ? 0 : it->second.locks;
}

int HandleTable::Serial(PF_Handle h) const
{
    const auto it = records_.find(h);
    return it == records_.end() ? 0 : it->second.serial;
}

}  // namespace pwhost
