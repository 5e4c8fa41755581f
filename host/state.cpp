#include "host/state.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "host/suites.h"
#include "host/test_pattern.h"

namespace pwhost {
namespace {

// Per thread, so that separate host instances can run commands on separate threads at once.
thread_local HostState* g_active = nullptr;

}  // namespace

HostState::HostState() : frames(std::make_shared<TestPattern>())
{
    static std::atomic<int32_t> instances{0};
    instanceId = ++instances;
    RegisterStandardSuites(broker);
}

void HostState::Violation(const std::string& text)
{
    violations.push_back("command " + std::to_string(command) + " (cmd " + std::to_string(cmd) + "): " + text);
}

std::string HostState::HandleName(PF_Handle h) const
{
    if (!h) return "null";
    if (const int serial = handles.Serial(h)) return "#" + std::to_string(serial);
    char text[32];
    std::snprintf(text, sizeof text, "unknown %p", static_cast<void*>(h));
    return text;
}

std::string HostState::WorldName(const PF_EffectWorld* world) const
{
    if (!world) return "null world";
    if (const auto info = worlds.Find(world)) return "world #" + std::to_string(info->serial);
    char text[48];
    std::snprintf(text, sizeof text, "unknown world %p", world->data);
    return text;
}

bool HostState::IsOurEffect(PF_ProgPtr effect_ref, const char* op)
{
    if (effect_ref == EffectRef()) return true;
    Violation(std::string(op) + " with an effect_ref that is not this effect's");
    return false;
}

PF_Err HostState::NewLayerWorld(A_long time, A_u_long scale, PF_EffectWorld& world)
{
    if (scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
    const A_Time at{time, scale};
    const bool outside = CompareTimes(at, A_Time{0, 1}) < 0 ||
                         (settings.timeScale && CompareTimes(at, A_Time{settings.totalTime, settings.timeScale}) >= 0);
    // In production a frame the source already holds is handed over as it is.
    if (!outside && frames && !worlds.Guarded()) {
        A_long rowbytes = 0;
        const A_long width = FrameWidth(settings), height = FrameHeight(settings);
        if (const void* lent = frames->Lend(time, scale, settings.pixelFormat, width, height, rowbytes)) {
            const PF_Err err = worlds.Borrow(settings.pixelFormat, width, height, lent, rowbytes, WorldOwner::Host, world);
            if (err) frames->Return(lent);
            return err;
        }
    }
    PF_Err err = worlds.New(settings.pixelFormat, FrameWidth(settings), FrameHeight(settings), outside || !frames,
                            WorldOwner::Host, settings.rowPaddingPixels, world);
    if (err || outside) return err;
    err = frames ? frames->Render(time, scale, settings.pixelFormat, world) : PF_Err_NONE;
    if (err) {
        worlds.Dispose(world);
        std::memset(&world, 0, sizeof world);
    }
    return err;
}

void HostState::ReleaseLayerWorld(const PF_EffectWorld& world)
{
    const std::string damage = worlds.CheckGuards(world.data);
    if (!damage.empty()) Violation("the input layer's " + WorldName(&world) + " was " + damage);
    const bool lent = worlds.Borrowed(world.data);
    worlds.Dispose(world);
    if (lent && frames) frames->Return(world.data);
}

HostState* ActiveState() { return g_active; }

ActiveScope::ActiveScope(HostState& state) : previous_(g_active) { g_active = &state; }

ActiveScope::~ActiveScope() { g_active = previous_; }

}  // namespace pwhost
