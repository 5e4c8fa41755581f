// Helpers of the host's image-service tests: a pixel of a world, and one command of a scripted plug-in.
#pragma once

#include <functional>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {

template <class Pixel>
Pixel& At(const PF_EffectWorld& w, A_long x, A_long y)
{
    return reinterpret_cast<Pixel*>(static_cast<char*>(w.data) + static_cast<std::ptrdiff_t>(w.rowbytes) * y)[x];
}

// Runs `body` as one command of a fake plug-in in a fresh host (set up by `prepare`) and returns its result.
inline pwhost::CommandResult RunOnce(std::function<PF_Err(PF_InData*)> body,
                                     std::function<void(pwhost::Host&)> prepare = nullptr)
{
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) { return body(in); });
    pwhost::Host host(plugin.Entry());
    if (prepare) prepare(host);
    return host.Call(PF_Cmd_RENDER);
}

}  // namespace pwtest
