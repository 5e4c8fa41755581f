// The host's side of smart rendering: keeping a request's pre-render data, running its delete callback once,
// handing out and taking back the render's images.
#include <cstring>

#include "host/host.h"

namespace pwhost {

void Host::FinishPreRender(PF_Err err)
{
    RenderRequest& request = state_.request;
    void* data = request.preOutput.pre_render_data;
    const auto handle = static_cast<PF_Handle>(data);
    if (data && state_.handles.IsLive(handle)) {
        const auto* bytes = static_cast<const uint8_t*>(*handle);
        preRenderBytes_.assign(bytes, bytes + *state_.handles.Size(handle));
    }
    if (!data) return;
    request.pending = true;
    request.data = data;
    request.deleteData = request.preOutput.delete_pre_render_data_func;
    if (!request.deleteData) state_.Violation("pre-render data handed over without a delete callback");
    // A request whose pre-render failed is never rendered: the host lets go of it now.
    if (err) deletedInCommand_ = RunDeleteCallback();
}

void Host::FinishRender()
{
    RenderRequest& request = state_.request;
    if (request.hasOutput) {
        const std::string damage = state_.worlds.CheckGuards(request.output.data);
        if (!damage.empty()) state_.Violation("the output " + state_.WorldName(&request.output) + " was " + damage);
        // A packed world's pixels are handed over as they are; any other is copied out of its rows.
        std::vector<uint8_t> pixels = state_.worlds.TakePixels(request.output);
        if (!pixels.empty()) {
            renderOutput_.format = state_.settings.pixelFormat;
            renderOutput_.width = request.output.width;
            renderOutput_.height = request.output.height;
            renderOutput_.bytes = std::move(pixels);
        } else {
            renderOutput_ = CopyOut(request.output, state_.settings.pixelFormat);
            state_.worlds.Dispose(request.output);
        }
        request.hasOutput = false;
    }
    if (request.hasInput) {
        state_.ReleaseLayerWorld(request.input);
        request.hasInput = false;
    }
    deletedInCommand_ = RunDeleteCallback();
}

// Runs the pending request's delete callback, within a command or the host's own scope. A handle handed over as
// pre-render data must be gone afterwards.
bool Host::RunDeleteCallback()
{
    RenderRequest& request = state_.request;
    if (!request.pending) return false;
    request.pending = false;
    const auto handle = static_cast<PF_Handle>(request.data);
    const bool isHandle = state_.handles.IsLive(handle);
    const int serial = state_.handles.Serial(handle);
    state_.log.Add("delete_pre_render_data_func", [&] { return isHandle ? state_.HandleName(handle) : std::string(); });
    if (request.deleteData) request.deleteData(request.data);
    if (isHandle && state_.handles.IsLive(handle)) {
        state_.Violation("pre-render data handle #" + std::to_string(serial) + " is still alive after its delete callback");
        reported_.push_back(serial);
    }
    request.data = nullptr;
    request.deleteData = nullptr;
    return true;
}

void Host::DropPreRender()
{
    if (!state_.request.pending) return;
    ActiveScope active(state_);
    RunDeleteCallback();
    CheckAfterCommand();
}

PreRenderResult Host::SmartPreRender()
{
    PreRenderResult result;
    result.command = Call(PF_Cmd_SMART_PRE_RENDER);
    result.input = state_.request.preInput;
    result.output = state_.request.preOutput;
    result.layerCheckouts = state_.request.layerCheckouts;
    result.data = preRenderBytes_;
    result.pending = state_.request.pending;
    result.deleted = deletedInCommand_;
    return result;
}

RenderResult Host::SmartRender()
{
    RenderResult result;
    result.command = Call(PF_Cmd_SMART_RENDER);
    result.output = std::move(renderOutput_);
    result.deleted = deletedInCommand_;
    return result;
}

FrameResult Host::RenderFrame(A_long time)
{
    state_.settings.currentTime = time;
    FrameResult result;
    result.preRender = SmartPreRender();
    if (result.preRender.command.err) return result;
    result.render = SmartRender();
    result.rendered = true;
    return result;
}

Image Host::InputFrame(A_long time)
{
    PF_EffectWorld world;
    if (state_.NewLayerWorld(time, state_.settings.timeScale, world)) return Image{};
    Image image = CopyOut(world, state_.settings.pixelFormat);
    state_.ReleaseLayerWorld(world);
    return image;
}

}  // namespace pwhost
