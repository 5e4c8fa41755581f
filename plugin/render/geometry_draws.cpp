#include "render/geometry_draws.h"

#include "kernels/real_to_int.h"
#include "schedule/third_color.h"

namespace pw {
namespace {

bool Coin(RandomStream& stream) { return NextReal(stream) < 0.5; }

}  // namespace

int32_t EaseOneWay(int32_t v, int32_t extent, double strength)
{
    // Runs on to an odd multiple of the extent, where the wrapped content is back in place.
    const int64_t p = (2 * (int64_t(v) / extent) + 1) * extent;
    return TruncToInt32((1 - strength) * double(p - v) + v);
}

int32_t EaseReturn(int32_t v, double strength) { return TruncToInt32(v * strength); }

int32_t DrawScrollOffset(const RenderSettings& settings, BeatState& beat, int32_t height)
{
    RandomStream& stream = beat.scrollStream;
    const double s = beat.envelope;
    const bool direction = Coin(stream);
    const double r = NextReal(stream);
    const double max = settings.maxScrollLength, m = settings.minScrollLength;
    int32_t offset = TruncToInt32(height * (max * (1 - m) * r + max * m));
    if (beat.inAttack) {
        offset = TruncToInt32(offset * s);
    } else {
        switch (settings.scrollMode) {
        case 1: offset = Coin(stream) ? EaseOneWay(offset, height, s) : EaseReturn(offset, s); break;
        case 2: offset = EaseOneWay(offset, height, s); break;
        case 3: offset = EaseReturn(offset, s); break;
        default: break;
        }
    }
    // Negated in 64 bits: a saturated offset of -2^31 has no 32-bit negation.
    int64_t signedOffset = offset;
    switch (settings.scrollDirection) {
    case 1:
        if (direction) signedOffset = -signedOffset;
        break;
    case 3: signedOffset = -signedOffset; break;
    default: break;
    }
    return Wrap(signedOffset, height);
}

StretchPlan DrawStretch(const RenderSettings& settings, BeatState& beat, int32_t width)
{
    RandomStream& stream = beat.stretchStream;
    StretchPlan plan{Coin(stream), 0};
    const double r = NextReal(stream);
    const double max = settings.maxStretchLength, m = settings.minStretchLength;
    const int32_t reach = TruncToInt32(beat.envelope * (width - 1) * (max * (1 - m) * r + max * m));
    switch (settings.stretchDirection) {
    case 2: plan.after = true; break;
    case 3: plan.after = false; break;
    default: break;
    }
    plan.column = plan.after ? width - 1 - reach : reach;
    // Out-of-range settings from a careless host must not move the column off the frame.
    if (plan.column < 0) plan.column = 0;
    if (plan.column > width - 1) plan.column = width - 1;
    return plan;
}

SliceAndSeparationDraws::SliceAndSeparationDraws(RenderSettings& settings, BeatState& beat, int32_t width,
                                                 int32_t height)
    : settings_(settings), beat_(beat), width_(width), height_(height)
{
}

void SliceAndSeparationDraws::DrawSliceCoin() { sliceDirectionFlag_ = Coin(beat_.sliceStream); }

RgbSeparationPlan SliceAndSeparationDraws::DrawSeparation()
{
    RandomStream& stream = beat_.rgbSeparationStream;
    const double s = beat_.envelope;
    const double r1 = NextReal(stream);
    const double r2 = NextReal(stream);
    const double x = settings_.maxRgbSeparationLength, m = settings_.minRgbSeparationLength;
    int32_t p1 = TruncToInt32(width_ * x * (r1 * (1 - m) + m) * s);
    const int32_t p2 = TruncToInt32(width_ * x * (r2 * (1 - m) + m) * s);
    RgbSeparationPlan plan{};

    // One copy moves by P1 (possibly negated), chosen with the weights 1/3, 1/3, 1/3.
    auto moveOneCopy = [&] {
        if (Coin(stream)) p1 = -p1;
        if (NextReal(stream) < 0.33333333) {
            plan.offsetA = p1;
        } else if (NextReal(stream) < 0.6666666) {
            plan.offsetB = p1;
        } else {
            plan.offsetC = p1;
        }
    };
    switch (settings_.rgbSeparationMode) {
    case 1:
        if (Coin(stream)) {
            moveOneCopy();
        } else {
            plan.offsetA = -p1;
            plan.offsetC = p2;
        }
        break;
    case 2:
        plan.offsetA = -p1;
        plan.offsetC = p1;
        break;
    case 3: moveOneCopy(); break;
    default: break;
    }

    if (settings_.rgbSeparationColor == 2) {
        PF_Pixel8* colours[] = {&settings_.rgbSeparationColor1, &settings_.rgbSeparationColor2};
        for (PF_Pixel8* c : colours) {
            c->red = static_cast<A_u_char>(TruncClamped(256 * NextReal(stream), 0, 255));
            c->green = static_cast<A_u_char>(TruncClamped(256 * NextReal(stream), 0, 255));
            c->blue = static_cast<A_u_char>(TruncClamped(256 * NextReal(stream), 0, 255));
        }
        DeriveThirdColor(settings_.rgbSeparationColor1, settings_.rgbSeparationColor2,
                         settings_.rgbSeparationColor3);
    }
    plan.colourA = settings_.rgbSeparationColor1;
    plan.colourB = settings_.rgbSeparationColor3;
    plan.colourC = settings_.rgbSeparationColor2;
    return plan;
}

SliceBand SliceAndSeparationDraws::DrawBand(int32_t top)
{
    RandomStream& stream = beat_.sliceStream;
    const double s = beat_.envelope;
    SliceBand band{top, 0, 0};

    double r = NextReal(stream);
    double max = settings_.maxSliceWidth, m = settings_.minSliceWidth;
    band.height = TruncToInt32(height_ * max * (r * (1 - m) + m));
    if (band.height < 1) band.height = 1;
    if (band.height > height_ - top) band.height = height_ - top;

    r = NextReal(stream);
    max = settings_.maxSliceLength;
    m = settings_.minSliceLength;
    band.shift = TruncToInt32(width_ * max * (r * (1 - m) + m));

    if (settings_.sliceDirection == 1) sliceDirectionFlag_ = Coin(stream);

    if (beat_.inAttack) {
        NextInt(stream);
        band.shift = TruncToInt32(band.shift * s);
    } else {
        switch (settings_.sliceMode) {
        case 1: band.shift = Coin(stream) ? EaseOneWay(band.shift, width_, s) : EaseReturn(band.shift, s); break;
        case 2:
            NextInt(stream);
            band.shift = EaseOneWay(band.shift, width_, s);
            break;
        case 3:
            NextInt(stream);
            band.shift = EaseReturn(band.shift, s);
            break;
        default: break;
        }
    }

    switch (settings_.sliceDirection) {
    case 1:
    case 2:
        if (sliceDirectionFlag_) band.shift = -band.shift;
        break;
    case 3: band.shift = -band.shift; break;
    default: break;
    }

    if (!beat_.sliceOn) {
        band.height = height_ - top;
        band.shift = 0;
    }
    return band;
}

}  // namespace pw
