#include <cstring>

#include "render/time_source.h"

namespace pw {

void FillWorkingImage(RenderContext& ctx)
{
    if (ctx.err) return;
    PF_InData* in = ctx.in_data;
    if (!ctx.beat.timeOn) {
        ctx.err = in->utils->copy(ctx.effect(), ctx.input, ctx.working, nullptr, nullptr);
        return;
    }
    // Reverse, Stop and Shuffle all name a frame of the beat relative to the one being rendered.
    const int32_t frameInBeat = ctx.beat.frameInBeat;
    const int64_t offset = int64_t(ctx.beat.frameOrder[frameInBeat]) - frameInBeat;
    const int64_t time = offset * in->time_step + in->current_time;
    const A_long sourceTime = time > INT32_MAX ? INT32_MAX : time < INT32_MIN ? INT32_MIN : A_long(time);

    PF_ParamDef layer;
    std::memset(&layer, 0, sizeof layer);
    ctx.err = in->inter.checkout_param(ctx.effect(), 0, sourceTime, in->time_step, in->time_scale, &layer);
    if (ctx.err) return;
    ctx.err = in->inter.abort(ctx.effect());
    if (!ctx.err) ctx.err = in->utils->copy(ctx.effect(), &layer.u.ld, ctx.working, nullptr, nullptr);
    // Checked in whatever happened after the checkout: a cancel must not strand the host's frame.
    const PF_Err checkin = in->inter.checkin_param(ctx.effect(), &layer);
    if (!ctx.err) ctx.err = checkin;
}

}  // namespace pw
