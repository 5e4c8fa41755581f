#include "kernels/blend.h"

#include "kernels/blend_rules.h"
#include "kernels/composite.h"

namespace pw {
namespace {

template <typename Rule>
Pixel8Word Blend8(Pixel8Word P, Pixel8Word Q, const Rule& rule = Rule{})
{
    return WordFromPixel(Composite<Depth8>(PixelFromWord(P), PixelFromWord(Q), rule));
}

template <typename Rule>
Pixel16Word Blend16(Pixel16Word P, Pixel16Word Q, const Rule& rule = Rule{})
{
    return WordFromPixel(Composite<Depth16>(PixelFromWord(P), PixelFromWord(Q), rule));
}

}  // namespace

Pixel8Word BlendNormal(Pixel8Word P, Pixel8Word Q)
{
    return WordFromPixel(Normal<Depth8>(PixelFromWord(P), PixelFromWord(Q)));
}
Pixel8Word BlendAdd(Pixel8Word P, Pixel8Word Q) { return Blend8<AddRule>(P, Q); }
Pixel8Word BlendMultiply(Pixel8Word P, Pixel8Word Q) { return Blend8<MultiplyRule>(P, Q); }
Pixel8Word BlendScreen(Pixel8Word P, Pixel8Word Q) { return Blend8<ScreenRule>(P, Q); }
Pixel8Word BlendOverlay(Pixel8Word P, Pixel8Word Q) { return Blend8<OverlayRule>(P, Q); }
Pixel8Word BlendDodge(Pixel8Word P, Pixel8Word Q) { return Blend8<DodgeRule>(P, Q); }
Pixel8Word BlendBurn(Pixel8Word P, Pixel8Word Q) { return Blend8<BurnRule>(P, Q); }
Pixel8Word BlendAddScaled(Pixel8Word P, Pixel8Word Q, const double* k)
{
    return Blend8(P, Q, AddScaledRule{*k});
}

Pixel16Word BlendNormal(Pixel16Word P, Pixel16Word Q)
{
    return WordFromPixel(Normal<Depth16>(PixelFromWord(P), PixelFromWord(Q)));
}
Pixel16Word BlendAdd(Pixel16Word P, Pixel16Word Q) { return Blend16<AddRule>(P, Q); }
Pixel16Word BlendMultiply(Pixel16Word P, Pixel16Word Q) { return Blend16<MultiplyRule>(P, Q); }
Pixel16Word BlendScreen(Pixel16Word P, Pixel16Word Q) { return Blend16<ScreenRule>(P, Q); }
Pixel16Word BlendOverlay(Pixel16Word P, Pixel16Word Q) { return Blend16<OverlayRule>(P, Q); }
Pixel16Word BlendDodge(Pixel16Word P, Pixel16Word Q) { return Blend16<DodgeRule>(P, Q); }
Pixel16Word BlendBurn(Pixel16Word P, Pixel16Word Q) { return Blend16<BurnRule>(P, Q); }
Pixel16Word BlendAddScaled(Pixel16Word P, Pixel16Word Q, const double* k)
{
    return Blend16(P, Q, AddScaledRule{*k});
}

PF_PixelFloat BlendNormal(const PF_PixelFloat& P, const PF_PixelFloat& Q) { return Normal<DepthFloat>(P, Q); }
PF_PixelFloat BlendAdd(const PF_PixelFloat& P, const PF_PixelFloat& Q)
{
    return Composite<DepthFloat>(P, Q, AddRule{});
}
PF_PixelFloat BlendMultiply(const PF_PixelFloat& P, const PF_PixelFloat& Q)
{
    return Composite<DepthFloat>(P, Q, MultiplyRule{});
}
PF_PixelFloat BlendScreen(const PF_PixelFloat& P, const PF_PixelFloat& Q)
{
    return Composite<DepthFloat>(P, Q, ScreenRule{});
}
PF_PixelFloat BlendOverlay(const PF_PixelFloat& P, const PF_PixelFloat& Q)
{
    return Composite<DepthFloat>(P, Q, OverlayRule{});
}
PF_PixelFloat BlendDodge(const PF_PixelFloat& P, const PF_PixelFloat& Q)
{
    return Composite<DepthFloat>(P, Q, DodgeRule{});
}
PF_PixelFloat BlendBurn(const PF_PixelFloat& P, const PF_PixelFloat& Q)
{
    return Composite<DepthFloat>(P, Q, BurnRule{});
}
PF_PixelFloat BlendAddScaled(const PF_PixelFloat& P, const PF_PixelFloat& Q, const double* k)
{
    return Composite<DepthFloat>(P, Q, AddScaledRule{*k});
}

const BlendFunc8 BlendTable8[kBlendTableSize] = {BlendNormal, BlendNormal, BlendAdd,     BlendAdd,  BlendMultiply,
                                                 BlendScreen, BlendOverlay, BlendDodge, BlendBurn};
const BlendFunc16 BlendTable16[kBlendTableSize] = {BlendNormal, BlendNormal, BlendAdd,     BlendAdd,  BlendMultiply,
                                                   BlendScreen, BlendOverlay, BlendDodge, BlendBurn};
const BlendFuncFloat BlendTableFloat[kBlendTableSize] = {BlendNormal, BlendNormal,  BlendAdd,
                                                         BlendAdd,    BlendMultiply, BlendScreen,
                                                         BlendOverlay, BlendDodge,  BlendBurn};

}  // namespace pw
