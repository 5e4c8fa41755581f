// References the AEGP suites hand out (effect references, parameter streams) and what the host remembers about
// the streams: each parameter's dynamic stream flags, kept with the effect instance.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "ae_effect.h"

namespace pwhost {

enum class RefKind { Effect, Stream };

class ReferenceTable {
public:
    ReferenceTable() = default;
    ~ReferenceTable();
    ReferenceTable(const ReferenceTable&) = delete;
    ReferenceTable& operator=(const ReferenceTable&) = delete;

    // A new reference; a stream remembers its parameter. Like a handle it is a pointer to a master pointer.
    void** New(RefKind kind, PF_ParamIndex param = -1);
    // False for a reference of that kind that is not live.
    bool Dispose(void** ref, RefKind kind);
    bool IsLive(void** ref, RefKind kind) const;
    // The parameter of a live stream; -1 otherwise.
    PF_ParamIndex StreamParam(void** ref) const;

    std::size_t LiveCount(RefKind kind) const;
    std::size_t LiveCount() const { return refs_.size(); }
    // Forgets every live reference (after reporting them), so one leak is reported once.
    void DropAll();

    // Dynamic stream flags per parameter (AEGP_DynStreamFlag_*), 0 until set.
    AEGP_DynStreamFlags Flags(PF_ParamIndex param) const;
    void SetFlag(PF_ParamIndex param, AEGP_DynStreamFlags flag, bool set);

private:
    struct Ref {
        RefKind kind;
        PF_ParamIndex param;
    };
    std::map<void**, Ref> refs_;
    std::map<PF_ParamIndex, AEGP_DynStreamFlags> flags_;
};

const char* RefKindName(RefKind kind);

}  // namespace pwhost
