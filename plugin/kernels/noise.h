// Random brightness offsets: one per pixel for red, green and blue alike (white noise) or one per channel
// (colour noise). Every kernel call draws two reals from the stream; alpha is never touched.
#pragma once

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/image_view.h"
#include "kernels/random_stream.h"

namespace pw {

// One channel (A_u_char, A_u_short or PF_FpShort), or red, green and blue of one pixel by one offset.
template <typename Channel>
void NoiseChannel(Channel& channel, double amount, RandomStream& stream);
template <typename Pixel>
void NoiseMono(Pixel& pixel, double amount, RandomStream& stream);

// Whole images, rows top to bottom and left to right: NoiseMono on every pixel (two reals a pixel), or
// NoiseChannel on red, green and blue in turn (six reals a pixel). The stream ends where the per-pixel
// calls would leave it.
template <typename Pixel>
void NoiseFrameMono(const ImageView<Pixel>& image, double amount, RandomStream& stream, Isa isa = BestIsa());
template <typename Pixel>
void NoiseFrameColor(const ImageView<Pixel>& image, double amount, RandomStream& stream, Isa isa = BestIsa());

}  // namespace pw
