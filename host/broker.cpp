#include "host/broker.h"

#include <cstdlib>

namespace pwhost {

SuiteBroker::~SuiteBroker()
{
    for (auto& entry : blocks_) std::free(entry.first);
}

void SuiteBroker::Register(const std::string& name, int32_t number, const void* table)
{
    tables_[SuiteKey{name, number}] = table;
}

const void* SuiteBroker::Table(const std::string& name, int32_t number) const
{
    const auto it = tables_.find(SuiteKey{name, number});
    return it == tables_.end() ? nullptr : it->second;
}

std::vector<SuiteKey> SuiteBroker::Catalogue() const
{
    std::vector<SuiteKey> keys;
    for (const auto& entry : tables_) keys.push_back(entry.first);
    return keys;
}

void SuiteBroker::NoteAcquired(const SuiteKey& key)
{
    Count& c = counts_[key];
    ++c.held;
    ++c.acquisitions;
}

void SuiteBroker::NoteDeliveredWithError(const SuiteKey& key) { ++counts_[key].withError; }

bool SuiteBroker::NoteReleased(const SuiteKey& key)
{
    const auto it = counts_.find(key);
    if (it == counts_.end()) return false;
    Count& c = it->second;
    if (c.held > 0) {
        --c.held;
    } else if (c.withError > 0) {
        --c.withError;
    } else {
        return false;
    }
    ++c.releases;
    return true;
}

int SuiteBroker::Held(const std::string& name, int32_t number) const
{
    const auto it = counts_.find(SuiteKey{name, number});
    return it == counts_.end() ? 0 : it->second.held;
}

int SuiteBroker::TotalHeld() const
{
    int n = 0;
    for (const auto& entry : counts_) n += entry.second.held;
    return n;
}

std::vector<std::pair<SuiteKey, int>> SuiteBroker::HeldSuites() const
{
    std::vector<std::pair<SuiteKey, int>> held;
    for (const auto& entry : counts_)
        if (entry.second.held > 0) held.emplace_back(entry.first, entry.second.held);
    return held;
}

int SuiteBroker::Acquisitions(const std::string& name, int32_t number) const
{
    const auto it = counts_.find(SuiteKey{name, number});
    return it == counts_.end() ? 0 : it->second.acquisitions;
}

int SuiteBroker::Releases(const std::string& name, int32_t number) const
{
    const auto it = counts_.find(SuiteKey{name, number});
    return it == counts_.end() ? 0 : it->second.releases;
}

void SuiteBroker::ForgetHeld()
{
    for (auto& entry : counts_) {
        entry.second.held = 0;
        entry.second.withError = 0;
    }
}

void* SuiteBroker::AllocateBlock(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (block) blocks_[block] = size;
    return block;
}

bool SuiteBroker::FreeBlock(void* block)
{
    const auto it = blocks_.find(block);
    if (it == blocks_.end()) return false;
    std::free(block);
    blocks_.erase(it);
    return true;
}

void* SuiteBroker::ReallocateBlock(void* block, std::size_t size, bool* known)
{
    *known = true;
    if (!block) return AllocateBlock(size);
    const auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        *known = false;
        return nullptr;
    }
    void* moved = std::realloc(block, size ? size : 1);
    if (!moved) return nullptr;
    blocks_.erase(it);
    blocks_[moved] = size;
    return moved;
}

std::vector<void*> SuiteBroker::Blocks() const
{
    std::vector<void*> blocks;
    for (const auto& entry : blocks_) blocks.push_back(entry.first);
    return blocks;
}

}  // namespace pwhost
