#include "host/references.h"

namespace pwhost {

ReferenceTable::~ReferenceTable() { DropAll(); }

void** ReferenceTable::New(RefKind kind, PF_ParamIndex param)
{
    void** ref = new void*(nullptr);
    *ref = ref;  // points somewhere harmless to read, never at plug-in memory
    refs_[ref] = Ref{kind, param};
    return ref;
}

bool ReferenceTable::Dispose(void** ref, RefKind kind)
{
    const auto it = refs_.find(ref);
    if (it == refs_.end() || it->second.kind != kind) return false;
    delete ref;
    refs_.erase(it);
    return true;
}

bool ReferenceTable::IsLive(void** ref, RefKind kind) const
{
    const auto it = refs_.find(ref);
    return it != refs_.end() && it->second.kind == kind;
}

PF_ParamIndex ReferenceTable::StreamParam(void** ref) const
{
    const auto it = refs_.find(ref);
    return it != refs_.end() && it->second.kind == RefKind::Stream ? it->second.param : -1;
}

std::size_t ReferenceTable::LiveCount(RefKind kind) const
{
    std::size_t n = 0;
    for (const auto& entry : refs_) n += entry.second.kind == kind;
    return n;
}

void ReferenceTable::DropAll()
{
    for (auto& entry : refs_) delete entry.first;
    refs_.clear();
}

AEGP_DynStreamFlags ReferenceTable::Flags(PF_ParamIndex param) const
{
    const auto it = flags_.find(param);
    return it == flags_.end() ? 0 : it->second;
}

void ReferenceTable::SetFlag(PF_ParamIndex param, AEGP_DynStreamFlags flag, bool set)
{
    AEGP_DynStreamFlags& flags = flags_[param];
    flags = set ? (flags | flag) : (flags & ~flag);
}

const char* RefKindName(RefKind kind) { return kind == RefKind::Effect ? "effect reference" : "stream reference"; }

}  // namespace pwhost
