// The suite broker's catalogue and bookkeeping: one function table per (name, number), and who holds what.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ae_basic.h"

namespace pwhost {

struct SuiteKey {
    std::string name;
    int32_t number;
    bool operator<(const SuiteKey& o) const { return name != o.name ? name < o.name : number < o.number; }
    bool operator==(const SuiteKey& o) const { return name == o.name && number == o.number; }
    std::string Text() const { return name + " " + std::to_string(number); }
};

class SuiteBroker {
public:
    // Later suites join by registering their table; a table must outlive the broker.
    void Register(const std::string& name, int32_t number, const void* table);
    const void* Table(const std::string& name, int32_t number) const;
    std::vector<SuiteKey> Catalogue() const;

    // Accounting, kept by the broker's entry points.
    void NoteAcquired(const SuiteKey& key);
    // A table handed over together with an error: the plug-in may rightly keep it or drop it.
    void NoteDeliveredWithError(const SuiteKey& key);
    // False when nothing of that (name, number) is held.
    bool NoteReleased(const SuiteKey& key);

    int Held(const std::string& name, int32_t number) const;
    int TotalHeld() const;
    std::vector<std::pair<SuiteKey, int>> HeldSuites() const;
    int Acquisitions(const std::string& name, int32_t number) const;
    int Releases(const std::string& name, int32_t number) const;
    // Drops what is held (after it has been reported), so one slip is not reported again with every command.
    void ForgetHeld();

    // SPBasicSuite memory blocks.
    void* AllocateBlock(std::size_t size);
    bool FreeBlock(void* block);
    void* ReallocateBlock(void* block, std::size_t size, bool* known);
    std::size_t LiveBlocks() const { return blocks_.size(); }
    std::vector<void*> Blocks() const;

    SuiteBroker() = default;
    ~SuiteBroker();
    SuiteBroker(const SuiteBroker&) = delete;
    SuiteBroker& operator=(const SuiteBroker&) = delete;

private:
    struct Count {
        int held = 0;
        int withError = 0;
        int acquisitions = 0;
        int releases = 0;
    };
    std::map<SuiteKey, const void*> tables_;
    std::map<SuiteKey, Count> counts_;
    std::map<void*, std::size_t> blocks_;
};

}  // namespace pwhost
