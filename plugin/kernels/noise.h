// Random brightness offsets: one per pixel for red, green and blue alike (white noise) or one per channel
// (colour noise). Every kernel call draws two reals from the stream; alpha is never touched.
#pragma once

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/image_view.h"
#include "kernels/random_stream.h"

namespace pw {

void NoiseChannel(A_u_char& channel, double amount, RandomStream& stream);
void NoiseChannel(A_u_short& channel, double amount, RandomStream& stream);
void NoiseChannel(PF_FpShort& channel, double amount, RandomStream& stream);

void NoiseMono(PF_Pixel8& pixel, double amount, RandomStream& stream);
void NoiseMono(PF_Pixel16& pixel, double amount, RandomStream& stream);
void NoiseMono(PF_PixelFloat& pixel, double amount, RandomStream& stream);

// Whole images, rows top to bottom and left to right: NoiseMono on every pixel (two reals a pixel), or
// NoiseChannel on red, green and blue in turn (six reals a pixel). The stream ends where the per-pixel
// calls would leave it.
template <typename Pixel>
void NoiseFrameMono(const ImageView<Pixel>& image, double amount, RandomStream& stream, Isa isa = BestIsa());
template <typename Pixel>
void NoiseFrameColor(const ImageView<Pixel>& image, double amount, RandomStream& stream, Isa isa = BestIsa());

}  // namespace pw
