// The Time treatment's work: the working image is filled from the input now or at another frame of the beat.
#pragma once

#include "render/render_context.h"

namespace pw {

void FillWorkingImage(RenderContext& ctx);

}  // namespace pw
