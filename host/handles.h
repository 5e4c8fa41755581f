// Host memory handles: a PF_Handle points at a master pointer whose value is the block's address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "ae_effect.h"

namespace pwhost {

class HandleTable {
public:
    HandleTable() = default;
    ~HandleTable();
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // A new block of `size` bytes, each set to the fill byte (a real host does not clear them); null when the
    // size cannot be allocated.
    PF_Handle New(uint64_t size);
    // Null for a handle this table does not know.
    void* Lock(PF_Handle h);
    bool Unlock(PF_Handle h);  // false for an unknown handle
    bool Dispose(PF_Handle h);  // frees block and master pointer; false for an unknown handle
    std::optional<uint64_t> Size(PF_Handle h) const;
    // Moves the block if needed; the handle itself stays the same. PF_Err_OUT_OF_MEMORY leaves it as it was.
    PF_Err Resize(uint64_t new_size, PF_Handle h);

    bool IsLive(PF_Handle h) const { return records_.count(h) != 0; }
    std::size_t LiveCount() const { return records_.size(); }
    std::vector<PF_Handle> Live() const;
    int LockCount(PF_Handle h) const;
    // A small number naming the handle in logs and messages (1 for the first handle made); 0 if unknown.
    int Serial(PF_Handle h) const;
    int Allocated() const { return nextSerial_ - 1; }

    void SetFillByte(unsigned char fill) { fill_ = fill; }
    // Largest block handed out; larger requests fail as a host out of memory would.
    void SetSizeLimit(uint64_t limit) { limit_ = limit; }

private:
    struct Record {
        uint64_t size;
        int locks;
        int serial;
    };
    std::map<PF_Handle, Record> records_;
    int nextSerial_ = 1;
    unsigned char fill_ = 0xCD;
    uint64_t limit_ = uint64_t{1} << 31;
};

}  // namespace pwhost
