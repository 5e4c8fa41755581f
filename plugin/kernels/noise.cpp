#include "kernels/noise.h"

#include "kernels/noise_offset.h"

namespace pw {
namespace {

using noise::Offset;
using noise::OffsetOf;

template <typename Depth>
void Channel(typename Depth::Channel& channel, double amount, RandomStream& stream)
{
    const double r1 = NextReal(stream);
    const double r2 = NextReal(stream);
    channel = Offset<Depth>(channel, OffsetOf<Depth>(r1, r2, amount));
}

template <typename Depth>
void Mono(typename Depth::Pixel& pixel, double amount, RandomStream& stream)
{
    const double r1 = NextReal(stream);
    const double r2 = NextReal(stream);
    const auto d = OffsetOf<Depth>(r1, r2, amount);
    pixel.red = Offset<Depth>(pixel.red, d);
    pixel.green = Offset<Depth>(pixel.green, d);
    pixel.blue = Offset<Depth>(pixel.blue, d);
}

}  // namespace

void NoiseChannel(A_u_char& channel, double amount, RandomStream& stream) { Channel<Depth8>(channel, amount, stream); }
void NoiseChannel(A_u_short& channel, double amount, RandomStream& stream)
{
    Channel<Depth16>(channel, amount, stream);
}
void NoiseChannel(PF_FpShort& channel, double amount, RandomStream& stream)
{
    Channel<DepthFloat>(channel, amount, stream);
}

void NoiseMono(PF_Pixel8& pixel, double amount, RandomStream& stream) { Mono<Depth8>(pixel, amount, stream); }
void NoiseMono(PF_Pixel16& pixel, double amount, RandomStream& stream) { Mono<Depth16>(pixel, amount, stream); }
void NoiseMono(PF_PixelFloat& pixel, double amount, RandomStream& stream) { Mono<DepthFloat>(pixel, amount, stream); }

}  // namespace pw
