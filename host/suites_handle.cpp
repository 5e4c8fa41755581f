// Handle operations: "PF Handle Suite" 1 (32-bit sizes), 2 (64-bit sizes) and the same callbacks in
// PF_UtilCallbacks. All reach the one HandleTable of the active host.
#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

PF_Handle NewHandle(uint64_t size)
{
    return Guarded<PF_Handle>(nullptr, [&](HostState& s) -> PF_Handle {
        s.log.Add("host_new_handle", [&] { return std::to_string(size); });
        if (s.faults.Hit("host_new_handle")) return nullptr;
        return s.handles.New(size);
    });
}

void* LockHandle(PF_Handle h)
{
    return Guarded<void*>(nullptr, [&](HostState& s) -> void* {
        s.log.Add("host_lock_handle", [&] { return s.HandleName(h); });
        if (s.faults.Hit("host_lock_handle")) return nullptr;
        void* block = s.handles.Lock(h);
        if (!block) s.Violation("host_lock_handle on " + s.HandleName(h));
        return block;
    });
}

void UnlockHandle(PF_Handle h)
{
    GuardedVoid([&](HostState& s) {
        s.log.Add("host_unlock_handle", [&] { return s.HandleName(h); });
        if (!s.handles.Unlock(h)) s.Violation("host_unlock_handle on " + s.HandleName(h));
    });
}

// Disposing of a null handle is harmless and allowed; an unknown or already disposed one is not.
void DisposeHandle(PF_Handle h)
{
    GuardedVoid([&](HostState& s) {
        s.log.Add("host_dispose_handle", [&] { return s.HandleName(h); });
        if (!h) return;
        const std::string name = s.HandleName(h);
        if (!s.handles.Dispose(h)) s.Violation("host_dispose_handle on " + name);
    });
}

uint64_t HandleSize(PF_Handle h)
{
    return Guarded<uint64_t>(0, [&](HostState& s) -> uint64_t {
        s.log.Add("host_get_handle_size", [&] { return s.HandleName(h); });
        const auto size = s.handles.Size(h);
        if (!size) s.Violation("host_get_handle_size on " + s.HandleName(h));
        return size.value_or(0);
    });
}

PF_Err ResizeHandle(uint64_t size, PF_Handle* h)
{
    return Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](HostState& s) -> PF_Err {
        s.log.Add("host_resize_handle", [&] { return std::to_string(size) + " " + (h ? s.HandleName(*h) : "(no handle)"); });
        if (const auto code = s.faults.Hit("host_resize_handle")) return *code;
        if (!h || !s.handles.IsLive(*h)) {
            s.Violation("host_resize_handle on " + (h ? s.HandleName(*h) : std::string("a null pointer")));
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        return s.handles.Resize(size, *h);
    });
}

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Handle PF_CDECL pwhost_new_handle64(A_HandleSize size) { return pwhost::NewHandle(size); }
static PF_Handle PF_CDECL pwhost_new_handle32(A_u_long size) { return pwhost::NewHandle(size); }
static void* PF_CDECL pwhost_lock_handle(PF_Handle h) { return pwhost::LockHandle(h); }
static void PF_CDECL pwhost_unlock_handle(PF_Handle h) { pwhost::UnlockHandle(h); }
static void PF_CDECL pwhost_dispose_handle(PF_Handle h) { pwhost::DisposeHandle(h); }
static A_HandleSize PF_CDECL pwhost_get_handle_size64(PF_Handle h) { return pwhost::HandleSize(h); }

// A size that does not fit the 32-bit answer is reported as the largest it can say, never wrapped round.
static A_u_long PF_CDECL pwhost_get_handle_size32(PF_Handle h)
{
    const uint64_t size = pwhost::HandleSize(h);
    return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<A_u_long>(size);
}

static PF_Err PF_CDECL pwhost_resize_handle64(A_HandleSize size, PF_Handle* h) { return pwhost::ResizeHandle(size, h); }
static PF_Err PF_CDECL pwhost_resize_handle32(A_u_long size, PF_Handle* h) { return pwhost::ResizeHandle(size, h); }

}  // extern "C"

namespace pwhost {
namespace {

PF_HandleSuite1 MakeHandleSuite64()
{
    PF_HandleSuite1 suite{};
    suite.host_new_handle = pwhost_new_handle64;
    suite.host_lock_handle = pwhost_lock_handle;
    suite.host_unlock_handle = pwhost_unlock_handle;
    suite.host_dispose_handle = pwhost_dispose_handle;
    suite.host_get_handle_size = pwhost_get_handle_size64;
    suite.host_resize_handle = pwhost_resize_handle64;
    return suite;
}

PF_HandleSuite1Size32 MakeHandleSuite32()
{
    PF_HandleSuite1Size32 suite{};
    suite.host_new_handle = pwhost_new_handle32;
    suite.host_lock_handle = pwhost_lock_handle;
    suite.host_unlock_handle = pwhost_unlock_handle;
    suite.host_dispose_handle = pwhost_dispose_handle;
    suite.host_get_handle_size = pwhost_get_handle_size32;
    suite.host_resize_handle = pwhost_resize_handle32;
    return suite;
}

}  // namespace

void RegisterHandleSuites(SuiteBroker& broker)
{
    static const PF_HandleSuite1Size32 suite1 = MakeHandleSuite32();
    static const PF_HandleSuite1 suite2 = MakeHandleSuite64();
    broker.Register(kPFHandleSuite, 1, &suite1);
    broker.Register(kPFHandleSuite, 2, &suite2);
}

// PF_UtilCallbacks carries the 64-bit-size variants, as the current interface declares them.
void FillHandleCallbacks(PF_UtilCallbacks& utils)
{
    utils.host_new_handle = pwhost_new_handle64;
    utils.host_lock_handle = pwhost_lock_handle;
    utils.host_unlock_handle = pwhost_unlock_handle;
    utils.host_dispose_handle = pwhost_dispose_handle;
    utils.host_get_handle_size = pwhost_get_handle_size64;
    utils.host_resize_handle = pwhost_resize_handle64;
}

}  // namespace pwhost
