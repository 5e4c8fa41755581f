#include "kernels/noise.h"

#include "kernels/noise_offset.h"

namespace pw {

using noise::Offset;
using noise::OffsetOf;

template <typename Channel>
void NoiseChannel(Channel& channel, double amount, RandomStream& stream)
{
    using Depth = DepthOfChannel<Channel>;
    const double r1 = NextReal(stream);
    const double r2 = NextReal(stream);
    channel = Offset<Depth>(channel, OffsetOf<Depth>(r1, r2, amount));
}

template <typename Pixel>
void NoiseMono(Pixel& pixel, double amount, RandomStream& stream)
{
    using Depth = DepthOf<Pixel>;
    const double r1 = NextReal(stream);
    const double r2 = NextReal(stream);
    const auto d = OffsetOf<Depth>(r1, r2, amount);
    pixel.red = Offset<Depth>(pixel.red, d);
    pixel.green = Offset<Depth>(pixel.green, d);
    pixel.blue = Offset<Depth>(pixel.blue, d);
}

template void NoiseChannel(A_u_char&, double, RandomStream&);
template void NoiseChannel(A_u_short&, double, RandomStream&);
template void NoiseChannel(PF_FpShort&, double, RandomStream&);
template void NoiseMono(PF_Pixel8&, double, RandomStream&);
template void NoiseMono(PF_Pixel16&, double, RandomStream&);
template void NoiseMono(PF_PixelFloat&, double, RandomStream&);

}  // namespace pw
